#include "platform/readout_box.h"

#include <QApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionFrame>

namespace platform {

// The application's style, except that while only the inside of a box is
// repainted the box's panel is just its base colour there: stroking the
// antialiased frame again would draw the very same pixels at several times
// the cost of the text.
class ReadoutStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    bool insideOnly = false;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (insideOnly && element == PE_PanelLineEdit) {
            painter->fillRect(option->rect, option->palette.base());
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

ReadoutBox::ReadoutBox(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    followApplicationStyle();
}

ReadoutBox::~ReadoutBox() = default;

void ReadoutBox::followApplicationStyle() {
    QStyle* base = QStyleFactory::create(QApplication::style()->name());
    // Without a second instance of the style the box paints as a plain edit
    // box, whole, every time.
    auto* style = base ? new ReadoutStyle(base) : nullptr;
    if (style) style->setParent(this);
    setStyle(style);
    delete m_style;
    m_style = style;
}

void ReadoutBox::followApplicationStyle(QWidget* root) {
    // Not a meta-object class of its own: a cast by meta-object would take any
    // edit box for a read-out box.
    for (QLineEdit* edit : root->findChildren<QLineEdit*>()) {
        if (auto* box = dynamic_cast<ReadoutBox*>(edit)) box->followApplicationStyle();
    }
}

QRect ReadoutBox::textClip() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_LineEditContents, &option, this).marginsRemoved(textMargins());
}

// The band of the clip that the line of text occupies, centred as the edit box
// places it: glyphs never leave it upwards or downwards, and sideways the
// clip stops them.
QRect ReadoutBox::lineBand() const {
    const QRect clip = textClip();
    const int height = fontMetrics().height();
    return QRect(clip.x(), clip.y() + (clip.height() - height + 1) / 2, clip.width(), height) & clip;
}

// Whether the style paints nothing but the base colour in area, over any
// background: then repainting area alone leaves the frame as it was.
bool ReadoutBox::panelPlainIn(const QRect& area) const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRgb base = palette().base().color().rgba();
    for (const QColor under : {QColor(Qt::black), QColor(Qt::white)}) {
        QImage panel(size(), QImage::Format_ARGB32);
        panel.fill(under);
        QPainter painter(&panel);
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
        painter.end();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (panel.pixel(x, y) != base) return false;
            }
        }
    }
    return true;
}

QRect ReadoutBox::textArea() const {
    const PanelKey key{size(), fontMetrics().height(), hasFocus(), style(), palette().base().color().rgba()};
    if (!(key == m_panelKey)) {
        m_panelKey = key;
        const QRect band = lineBand();
        m_textArea = m_style && panelPlainIn(band) ? band : QRect();
    }
    return m_textArea;
}

void ReadoutBox::showText(const QString& text) {
    if (text == this->text()) return;
    const QRect area = textArea();
    // Where the style draws more than its base colour across the line of
    // text, the box is repainted whole, the usual way.
    if (area.isEmpty() || !updatesEnabled()) {
        setText(text);
        return;
    }
    // The edit box would repaint itself whole; only its text area changes.
    setAttribute(Qt::WA_UpdatesDisabled, true);
    setText(text);
    setAttribute(Qt::WA_UpdatesDisabled, false);
    update(area);
}

void ReadoutBox::paintEvent(QPaintEvent* event) {
    if (!m_style) {
        QLineEdit::paintEvent(event);
        return;
    }
    const QRect area = textArea();
    m_style->insideOnly = !area.isEmpty() && area.contains(event->region().boundingRect());
    QLineEdit::paintEvent(event);
    m_style->insideOnly = false;
}

void keepLabelsOutOfReadoutTexts(QWidget* parent) {
    const QObjectList& children = parent->children();
    for (qsizetype i = 0; i < children.size(); ++i) {
        auto* label = qobject_cast<QLabel*>(children[i]);
        if (!label) continue;
        const QRegion whole(label->rect());
        QRegion visible = whole;
        for (qsizetype j = i + 1; j < children.size(); ++j) {
            auto* box = dynamic_cast<ReadoutBox*>(children[j]);
            if (box && !box->isHidden()) visible -= box->textArea().translated(box->pos() - label->pos());
        }
        if (visible == whole) {
            label->clearMask();
        } else {
            label->setMask(visible);
        }
    }
}

}  // namespace platform
