#include "chart/line_chart_unit.h"

#include <QMouseEvent>
#include <QPainter>

#include "chart/font_text.h"
#include "platform/fonts.h"
#include "platform/qt_text.h"

namespace chart {

namespace {

constexpr QPoint kTipOffset(12, 18);  // below and right of the mouse pointer
constexpr int kTipPadding = 4;
const QColor kTipBackground(255, 255, 225);

QFont fontFromText(const runtime::Text& text, const QFont& base) {
    if (text.empty()) return base;
    return platform::makeFont(parseFontText(text), base);
}

}  // namespace

LineChartUnit::LineChartUnit(QWidget* parent) : QWidget(parent), m_tip(new LineChartTip(this)) {
    setMouseTracking(true);
    // Every pixel comes from the off-screen picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_titleFont = m_axisFont = m_legendFont = font();
}

LineChartUnit::~LineChartUnit() = default;

platform::PropertyValue LineChartUnit::readProperty(int slot) const { return m_model.read(slot); }

void LineChartUnit::writeProperty(int slot, const platform::PropertyValue& value) {
    if (slot < kFirstSlot || slot > kLastSlot) return;
    m_model.write(slot, value);
    if (slot == kTitleFontSlot || slot == kAxisFontSlot || slot == kLegendFontSlot) applyFont(slot);
    if (slot == kBackPictureSlot) applyBackPicture();
    invalidate();
}

void LineChartUnit::setDesignMode(bool designMode) {
    m_designMode = designMode;
    if (designMode) m_tip->hide();
}

QString LineChartUnit::tooltipTextAt(QPoint position) const {
    if (m_designMode) return {};
    ensureRendered();
    return platform::toQString(
        tipTextAt(m_model.settings().tipTemplate, m_hotSpots, position.x(), position.y()));
}

QImage LineChartUnit::renderImage() const {
    ensureRendered();
    return m_picture;
}

void LineChartUnit::paintEvent(QPaintEvent*) {
    m_repaintScheduled = false;
    ensureRendered();
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

void LineChartUnit::resizeEvent(QResizeEvent*) { m_pictureStale = true; }

void LineChartUnit::mouseMoveEvent(QMouseEvent* event) { updateTip(event->position().toPoint()); }

void LineChartUnit::leaveEvent(QEvent*) { m_tip->hide(); }

void LineChartUnit::changeEvent(QEvent* event) {
    // Fonts left at "none" follow the window's font.
    if (event->type() == QEvent::FontChange) {
        applyFont(kTitleFontSlot);
        applyFont(kAxisFontSlot);
        applyFont(kLegendFontSlot);
        invalidate();
    } else if (event->type() == QEvent::PaletteChange) {
        invalidate();
    }
    QWidget::changeEvent(event);
}

void LineChartUnit::applyFont(int slot) {
    const ChartSettings& settings = m_model.settings();
    if (slot == kTitleFontSlot) m_titleFont = fontFromText(settings.titleFont, font());
    if (slot == kAxisFontSlot) m_axisFont = fontFromText(settings.axisFont, font());
    if (slot == kLegendFontSlot) m_legendFont = fontFromText(settings.legendFont, font());
}

void LineChartUnit::applyBackPicture() {
    const runtime::Text& bytes = m_model.settings().backPicture;
    // Bytes that are no image leave the chart without a picture.
    m_backPicture = QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()));
}

void LineChartUnit::invalidate() {
    m_pictureStale = true;
    if (m_repaintScheduled) return;
    // update() only queues a repaint; the flag spares the toolkit thousands of
    // identical requests when a curve tick writes every point.
    m_repaintScheduled = isVisible();
    update();
}

void LineChartUnit::ensureRendered() const {
    const qreal ratio = devicePixelRatioF();
    if (!m_pictureStale && m_picture.size() == size() * ratio) return;
    m_picture = renderChart(m_model, style(), size(), ratio, &m_hotSpots);
    m_pictureStale = false;
    ++m_renderCount;
}

ChartStyle LineChartUnit::style() const {
    return ChartStyle{m_titleFont, m_axisFont, m_legendFont, m_backPicture, palette().color(QPalette::Window)};
}

void LineChartUnit::updateTip(QPoint position) {
    const QString text = m_model.settings().showTips ? tooltipTextAt(position) : QString();
    if (text.isEmpty()) {
        m_tip->hide();
        return;
    }
    m_tip->setFont(m_legendFont);
    m_tip->showText(text, mapToGlobal(position) + kTipOffset);
}

LineChartTip::LineChartTip(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("LineChartTip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void LineChartTip::showText(const QString& markup, const QPoint& globalPosition) {
    if (markup != m_text) {
        m_text = markup;
        const QSize textSize = markupSize(parseMarkup(platform::fromQString(m_text)), font());
        resize(textSize + QSize(2 * kTipPadding, 2 * kTipPadding));
        update();
    }
    move(globalPosition);
    show();
}

void LineChartTip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kTipBackground);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    drawMarkup(painter, rect().adjusted(kTipPadding, kTipPadding, -kTipPadding, -kTipPadding),
               parseMarkup(platform::fromQString(m_text)), font(), Qt::black, Qt::AlignLeft);
}

}  // namespace chart
