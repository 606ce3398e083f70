#include "platform/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "platform/colour.h"
#include "platform/fonts.h"
#include "platform/qt_text.h"
#include "platform/readout_box.h"
#include "platform/readout_pacer.h"

namespace platform {
namespace {

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

// Place, size, font, visibility and name: what every windowed control shares.
void applyCommon(QWidget* widget, const ControlSpec& spec) {
    widget->setObjectName(fromUtf8(spec.name));
    widget->setGeometry(spec.left, spec.top, spec.width, spec.height);
    if (!spec.font.isDefault()) widget->setFont(makeFont(spec.font, widget->font()));
    // Hidden controls are never shown, whatever the window does later.
    widget->setVisible(spec.visible);
}

class WidgetControl : public Control {
public:
    explicit WidgetControl(QWidget* widget) : m_widget(widget) {}
    QWidget* widget() const override { return m_widget; }

    PropertyValue readProperty(int slot) const override {
        const QRect g = m_widget->geometry();
        switch (slot) {
        case kSlotLeft: return g.x();
        case kSlotTop: return g.y();
        case kSlotWidth: return g.width();
        case kSlotHeight: return g.height();
        default: return readOwn(slot);
        }
    }
    void writeProperty(int slot, const PropertyValue& value) override {
        QRect g = m_widget->geometry();
        switch (slot) {
        case kSlotLeft: g.moveLeft(toInt(value)); break;
        case kSlotTop: g.moveTop(toInt(value)); break;
        case kSlotWidth: g.setWidth(toInt(value)); break;
        case kSlotHeight: g.setHeight(toInt(value)); break;
        default: writeOwn(slot, value); return;
        }
        m_widget->setGeometry(g);
        if (QWidget* parent = m_widget->parentWidget()) keepLabelsOutOfReadoutTexts(parent);
    }

protected:
    virtual PropertyValue readOwn(int) const { return std::int32_t{0}; }
    virtual void writeOwn(int, const PropertyValue&) {}

private:
    QPointer<QWidget> m_widget;
};

class LabelControl : public WidgetControl {
public:
    explicit LabelControl(QLabel* label) : WidgetControl(label), m_label(label) {}

protected:
    PropertyValue readOwn(int slot) const override {
        if (slot == kSlotEditText) return fromQString(m_label->text());
        return std::int32_t{0};
    }
    void writeOwn(int slot, const PropertyValue& value) override {
        if (slot == kSlotEditText) m_label->setText(toQString(toText(value)));
    }

private:
    QLabel* m_label;
};

class EditBoxControl : public WidgetControl {
public:
    // readout is the same widget as edit when the box is a read-out, else null.
    EditBoxControl(QLineEdit* edit, ReadoutBox* readout) : WidgetControl(edit), m_edit(edit), m_readout(readout) {}
    ~EditBoxControl() override {
        if (m_pacer) m_pacer->forget(this);
    }

protected:
    PropertyValue readOwn(int slot) const override {
        if (slot == kSlotEditText) return m_text;
        return std::int32_t{0};
    }
    void writeOwn(int slot, const PropertyValue& value) override {
        if (slot != kSlotEditText) return;
        runtime::Text text = toText(value);
        if (text == m_text) return;  // read-outs are rewritten with equal texts all the time
        m_text = std::move(text);
        // A shown read-out may be rewritten hundreds of times a second, far
        // more often than anyone can read it: its widget takes the latest
        // text at the window's next read-out refresh. Boxes the user types
        // into, and boxes not on screen, take every text at once.
        if (!m_readout) {
            m_edit->setText(toQString(m_text));
            return;
        }
        if (!m_readout->isVisible()) {
            m_readout->showText(toQString(m_text));
            return;
        }
        if (!m_pacer) m_pacer = ReadoutPacer::of(m_edit->window());
        m_pacer->schedule(this, [this] { m_readout->showText(toQString(m_text)); });
    }

public:
    // The user's edits reach the stored text before the event is raised.
    void syncFromWidget() { m_text = fromQString(m_edit->text()); }

private:
    QLineEdit* m_edit;
    ReadoutBox* m_readout;
    QPointer<ReadoutPacer> m_pacer;
    // The content as GBK bytes: handlers read the read-outs many times a
    // second, so the text is kept in the form they want it.
    runtime::Text m_text;
};

class ButtonControl : public WidgetControl {
public:
    ButtonControl(QAbstractButton* button, EventRaiser raise) : WidgetControl(button), m_button(button) {
        QObject::connect(button, &QAbstractButton::clicked, button,
                         [raise = std::move(raise)] { raise(kClicked, {}); });
    }

protected:
    PropertyValue readOwn(int slot) const override {
        if (slot == kSlotButtonCaption) return fromQString(m_button->text());
        if (slot == kSlotChecked) return std::int32_t{m_button->isChecked() ? 1 : 0};
        return std::int32_t{0};
    }
    void writeOwn(int slot, const PropertyValue& value) override {
        if (slot == kSlotButtonCaption) m_button->setText(toQString(toText(value)));
        if (slot == kSlotChecked && m_button->isCheckable()) m_button->setChecked(toInt(value) == 1);
    }

private:
    QAbstractButton* m_button;
};

// A drop-down list that says when it is about to show its list or its tooltip.
class ComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> aboutToShow;

    void showPopup() override {
        if (aboutToShow) aboutToShow();
        QComboBox::showPopup();
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip && aboutToShow) aboutToShow();
        return QComboBox::event(event);
    }
};

class ComboBoxControl : public WidgetControl {
public:
    explicit ComboBoxControl(ComboBox* combo) : WidgetControl(combo), m_combo(combo) {}
    void setAboutToShow(std::function<void()> callback) override { m_combo->aboutToShow = std::move(callback); }

protected:
    PropertyValue readOwn(int slot) const override {
        if (slot == kSlotComboIndex) return std::int32_t(m_combo->currentIndex());
        if (slot == kSlotComboText) {
            return m_combo->currentIndex() >= 0 ? fromQString(m_combo->currentText()) : m_looseText;
        }
        return std::int32_t{0};
    }
    void writeOwn(int slot, const PropertyValue& value) override {
        if (slot == kSlotComboIndex) {
            const int index = toInt(value);
            // An index outside the list selects nothing.
            m_combo->setCurrentIndex(index >= 0 && index < m_combo->count() ? index : -1);
            m_looseText.clear();
        } else if (slot == kSlotComboText) {
            selectText(toText(value));
        }
    }

private:
    // A text that is one of the items selects it. Any other text (a baud rate
    // the list lacks, say) deselects the list and is reported back as the
    // current text, so the value the user stored still reaches the port.
    void selectText(const runtime::Text& text) {
        const int index = m_combo->findText(toQString(text), Qt::MatchExactly);
        m_combo->setCurrentIndex(index);
        m_looseText = index >= 0 ? runtime::Text{} : text;
    }

    ComboBox* m_combo;
    runtime::Text m_looseText;
};

// A rectangle filled with one colour: the port lamp.
class ShapeWidget : public QWidget {
public:
    using QWidget::QWidget;
    std::uint32_t fill = kShapeDesignColour;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), colourFromBgr(fill));
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

class ShapeControl : public WidgetControl {
public:
    explicit ShapeControl(ShapeWidget* shape) : WidgetControl(shape), m_shape(shape) {}

protected:
    PropertyValue readOwn(int slot) const override {
        if (slot == kSlotFillColour) return std::int32_t(m_shape->fill);
        return std::int32_t{0};
    }
    void writeOwn(int slot, const PropertyValue& value) override {
        if (slot != kSlotFillColour) return;
        m_shape->fill = std::uint32_t(toInt(value));
        m_shape->update();
    }

private:
    ShapeWidget* m_shape;
};

class TimerControl : public Control {
public:
    TimerControl(const ControlSpec& spec, QObject* parent, EventRaiser raise) : m_timer(parent) {
        m_timer.setObjectName(QString::fromStdString(spec.name));
        // A precise timer schedules each tick from the previous due time, so a
        // one-second clock does not drift behind the wall clock.
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer,
                         [raise = std::move(raise)] { raise(kTimerFired, {}); });
        setInterval(spec.interval);
    }
    QWidget* widget() const override { return nullptr; }
    PropertyValue readProperty(int slot) const override {
        return std::int32_t{slot == kSlotInterval ? m_interval : 0};
    }
    void writeProperty(int slot, const PropertyValue& value) override {
        if (slot == kSlotInterval) setInterval(toInt(value));
    }

private:
    // 0 or less stops; the interval the timer already has changes nothing, so
    // the running period is not restarted; any other value restarts it.
    void setInterval(std::int32_t interval) {
        if (interval == m_interval) return;
        m_interval = interval;
        if (interval <= 0) {
            m_timer.stop();
        } else {
            m_timer.start(interval);
        }
    }

    QTimer m_timer;
    std::int32_t m_interval = 0;
};

std::unique_ptr<Control> createEditBox(const ControlSpec& spec, QWidget* parent, EventRaiser raise) {
    // Read-outs: the user watches them but cannot type into them.
    ReadoutBox* readout = spec.textColour != 0 ? new ReadoutBox(parent) : nullptr;
    QLineEdit* edit = readout ? readout : new QLineEdit(parent);
    applyCommon(edit, spec);
    if (readout) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, colourFromBgr(spec.textColour));
        edit->setPalette(palette);
    }
    auto control = std::make_unique<EditBoxControl>(edit, readout);
    EditBoxControl* self = control.get();
    // textEdited fires for the user's input only, so writes from handlers
    // never raise the content-changed event.
    QObject::connect(edit, &QLineEdit::textEdited, edit, [self, raise = std::move(raise)] {
        self->syncFromWidget();
        raise(kContentChanged, {});
    });
    control->writeProperty(kSlotEditText, runtime::GbkFromUtf8(spec.text));
    return control;
}

std::unique_ptr<Control> createComboBox(const ControlSpec& spec, QWidget* parent) {
    auto* combo = new ComboBox(parent);  // non-editable: a drop-down list
    applyCommon(combo, spec);
    for (std::size_t i = 0; i < spec.items.size(); ++i) {
        combo->addItem(fromUtf8(spec.items[i]), QVariant::fromValue(fromUtf8(spec.items[i]).toInt()));
    }
    combo->setCurrentIndex(spec.selectedIndex);
    return std::make_unique<ComboBoxControl>(combo);
}

template <typename Button>
std::unique_ptr<Control> createButton(const ControlSpec& spec, QWidget* parent, EventRaiser raise) {
    auto* button = new Button(fromUtf8(spec.text), parent);
    applyCommon(button, spec);
    if constexpr (std::is_same_v<Button, QRadioButton>) {
        // The handlers set the states of the three range boxes themselves.
        button->setAutoExclusive(false);
    }
    if constexpr (!std::is_same_v<Button, QPushButton>) button->setChecked(spec.checked);
    return std::make_unique<ButtonControl>(button, std::move(raise));
}

}  // namespace

std::unique_ptr<Control> Control::create(const ControlSpec& spec, QWidget* parent, EventRaiser raise) {
    switch (spec.type) {
    case ControlType::Label: {
        auto* label = new QLabel(fromUtf8(spec.text), parent);
        applyCommon(label, spec);
        return std::make_unique<LabelControl>(label);
    }
    case ControlType::EditBox: return createEditBox(spec, parent, std::move(raise));
    case ControlType::Button: return createButton<QPushButton>(spec, parent, std::move(raise));
    case ControlType::CheckBox: return createButton<QCheckBox>(spec, parent, std::move(raise));
    case ControlType::RadioBox: return createButton<QRadioButton>(spec, parent, std::move(raise));
    case ControlType::ComboBox: return createComboBox(spec, parent);
    case ControlType::Shape: {
        auto* shape = new ShapeWidget(parent);
        applyCommon(shape, spec);
        return std::make_unique<ShapeControl>(shape);
    }
    case ControlType::Timer: return std::make_unique<TimerControl>(spec, parent, std::move(raise));
    }
    return nullptr;
}

}  // namespace platform
