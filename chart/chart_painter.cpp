#include "chart/chart_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>

#include "platform/colour.h"
#include "platform/qt_text.h"

namespace chart {

namespace {

const QColor kGridGrey = toQColor(0x808080);
constexpr qreal kSeriesPenWidth = 2.0;
constexpr qreal kMarkerRadius = 2.5;

QRect toQRect(const Rect& r) { return QRect(r.left, r.top, r.width, r.height); }
QPointF toQPoint(const PointF& p) { return QPointF(p.x, p.y); }

QFont runFont(const QFont& base, const TextStyle& style) {
    QFont font = base;
    if (style.bold) font.setWeight(std::max(base.weight(), QFont::Bold));
    if (style.italic) font.setItalic(true);
    if (style.underline) font.setUnderline(true);
    if (style.strikeout) font.setStrikeOut(true);
    return font;
}

QSize lineSize(const MarkupLine& line, const QFont& font) {
    int width = 0;
    int height = QFontMetrics(font).height();
    for (const TextRun& run : line) {
        const QFontMetrics metrics(runFont(font, run.style));
        width += metrics.horizontalAdvance(platform::toQString(run.text));
        height = std::max(height, metrics.height());
    }
    return QSize(width, height);
}

void drawRun(QPainter& painter, const QRect& box, const TextRun& run, const QFont& font,
             const QColor& textColour) {
    if (run.style.backColour) painter.fillRect(box, toQColor(*run.style.backColour));
    if (run.style.borderColour) {
        painter.setPen(toQColor(*run.style.borderColour));
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    }
    painter.setFont(runFont(font, run.style));
    painter.setPen(run.style.colour ? toQColor(*run.style.colour) : textColour);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, platform::toQString(run.text));
}

// --- the painting steps, in drawing order ---------------------------------

void drawBackground(QPainter& painter, const QRect& area, const ChartSettings& settings,
                    const ChartStyle& style) {
    const bool hasColour = (settings.backColour & 0xFF000000) == 0;
    painter.fillRect(area, hasColour ? toQColor(settings.backColour) : style.windowColour);
    if (!style.backPicture.isNull()) painter.drawImage(area, style.backPicture);
    if (settings.showBorder) {
        painter.setPen(toQColor(settings.borderColour));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
    }
}

void drawTitle(QPainter& painter, const ChartLayout& layout, const ChartSettings& settings,
               const ChartStyle& style) {
    if (layout.title.text.empty()) return;
    drawMarkup(painter, toQRect(layout.title.rect), parseMarkup(layout.title.text), style.titleFont,
               toQColor(settings.titleColour), Qt::AlignHCenter);
}

void drawPlacedText(QPainter& painter, const PlacedText& text, Qt::Alignment alignment) {
    if (text.text.empty()) return;
    painter.drawText(toQRect(text.rect), int(alignment) | Qt::TextDontClip, platform::toQString(text.text));
}

void drawAxisTexts(QPainter& painter, const ChartLayout& layout, const ChartSettings& settings,
                   const ChartStyle& style) {
    painter.setFont(style.axisFont);
    painter.setPen(toQColor(settings.axisColour));
    for (const PlacedText& label : layout.valueLabels) drawPlacedText(painter, label, Qt::AlignLeft | Qt::AlignVCenter);
    for (const PlacedText& label : layout.pointLabels) drawPlacedText(painter, label, Qt::AlignCenter);
    drawPlacedText(painter, layout.yCaption, Qt::AlignCenter);
    drawPlacedText(painter, layout.xCaption, Qt::AlignLeft | Qt::AlignVCenter);
}

void drawGrid(QPainter& painter, const ChartLayout& layout) {
    if (layout.gridLines.empty()) return;
    QPen pen(kGridGrey, 1, Qt::DotLine);
    painter.setPen(pen);
    for (const GridLine& line : layout.gridLines) {
        const QPointF points[] = {toQPoint(line.start), toQPoint(line.bend), toQPoint(line.end)};
        painter.drawPolyline(points, 3);
    }
}

// The two axes with the stub left of the origin; with depth, the floor and the
// back wall's edges that give the plot its slanted look.
void drawFrame(QPainter& painter, const ChartLayout& layout, const ChartSettings& settings) {
    const int l = layout.plotLeft, t = layout.plotTop, r = layout.plotRight, b = layout.plotBottom;
    const int d = layout.depth;
    painter.setPen(QPen(kGridGrey, 1));
    if (d > 0) {
        painter.drawLine(l, t, l + d, t - d);
        painter.drawLine(l + d, t - d, l + d, b - d);
        painter.drawLine(l, b, l + d, b - d);
        painter.drawLine(l + d, b - d, r + d, b - d);
        painter.drawLine(r, b, r + d, b - d);
    }
    // The back wall's top and right edges close the box the grid lies in.
    painter.drawLine(l + d, t - d, r + d, t - d);
    painter.drawLine(r + d, t - d, r + d, b - d);
    painter.setPen(QPen(toQColor(settings.axisColour), 1));
    painter.drawLine(l, b, l, t);
    painter.drawLine(l - kAxisStub, b, r, b);
}

std::vector<HotSpot> drawSeries(QPainter& painter, const ChartLayout& layout, const ChartModel& model) {
    const ChartData& data = model.data();
    std::vector<HotSpot> spots;
    spots.reserve(std::size_t(data.seriesCount()) * std::size_t(data.pointCount()));
    painter.save();
    // Values above the scale leave the plot instead of running over the title.
    const int reach = int(kSeriesPenWidth) + layout.depth;
    painter.setClipRect(QRect(QPoint(layout.plotLeft - reach, layout.plotTop - reach),
                              QPoint(layout.plotRight + reach, layout.plotBottom + reach)));
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (int s = 0; s < data.seriesCount(); ++s) {
        QPolygonF line;
        line.reserve(data.pointCount());
        for (int p = 0; p < data.pointCount(); ++p) {
            line << QPointF(layout.pointX(p), layout.valueY(data.value(s, p)));
            spots.push_back(pointHotSpot(layout, data, s, p));
        }
        const QColor colour = toQColor(data.seriesColour(s));
        painter.setPen(QPen(colour, kSeriesPenWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(line);
        if (model.settings().showMarkers || data.pointCount() == 1) {
            painter.setBrush(colour);
            for (const QPointF& point : line) painter.drawEllipse(point, kMarkerRadius, kMarkerRadius);
        }
    }
    painter.restore();
    return spots;
}

void drawLegend(QPainter& painter, const ChartLayout& layout, const ChartModel& model, const ChartStyle& style) {
    painter.setFont(style.legendFont);
    for (const LegendItem& item : layout.legend) {
        const QRect swatch = toQRect(item.swatch);
        painter.fillRect(swatch, toQColor(model.data().seriesColour(item.series)));
        painter.setPen(toQColor(model.settings().legendColour));
        drawPlacedText(painter, item.name, Qt::AlignLeft | Qt::AlignVCenter);
    }
}

}  // namespace

QColor toQColor(Colour colour) { return platform::colourFromBgr(colour & 0xFFFFFF); }

Size FontTextMeasure::measure(TextRole role, std::string_view text) const {
    if (role == TextRole::Title) {
        const QSize size = markupSize(parseMarkup(text), m_style.titleFont);
        return {size.width(), size.height()};
    }
    const QFontMetrics metrics(role == TextRole::Legend ? m_style.legendFont : m_style.axisFont);
    return {metrics.horizontalAdvance(platform::toQString(runtime::Text(text))), metrics.height()};
}

std::vector<HotSpot> paintChart(QPainter& painter, const QRect& area, const ChartModel& model,
                                const ChartStyle& style) {
    const ChartSettings& settings = model.settings();
    const ChartLayout layout =
        computeLayout(model, Rect{area.x(), area.y(), area.width(), area.height()}, FontTextMeasure(style));
    drawBackground(painter, area, settings, style);
    drawTitle(painter, layout, settings, style);
    drawAxisTexts(painter, layout, settings, style);
    drawGrid(painter, layout);
    drawFrame(painter, layout, settings);
    std::vector<HotSpot> spots = drawSeries(painter, layout, model);
    drawLegend(painter, layout, model, style);
    return spots;
}

QImage renderChart(const ChartModel& model, const ChartStyle& style, QSize size, qreal devicePixelRatio,
                   std::vector<HotSpot>* hotSpots) {
    if (hotSpots) hotSpots->clear();
    if (size.isEmpty()) return QImage();  // a collapsed widget has nothing to draw on
    QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&image);
    std::vector<HotSpot> spots = paintChart(painter, QRect(QPoint(0, 0), size), model, style);
    if (hotSpots) *hotSpots = std::move(spots);
    return image;
}

QSize markupSize(const std::vector<MarkupLine>& lines, const QFont& font) {
    QSize total(0, 0);
    for (const MarkupLine& line : lines) {
        const QSize size = lineSize(line, font);
        total = QSize(std::max(total.width(), size.width()), total.height() + size.height());
    }
    return total;
}

void drawMarkup(QPainter& painter, const QRect& rect, const std::vector<MarkupLine>& lines, const QFont& font,
                const QColor& textColour, Qt::Alignment alignment) {
    int y = rect.top();
    for (const MarkupLine& line : lines) {
        const QSize size = lineSize(line, font);
        int x = rect.left();
        if (alignment & Qt::AlignHCenter) x += (rect.width() - size.width()) / 2;
        else if (alignment & Qt::AlignRight) x += rect.width() - size.width();
        for (const TextRun& run : line) {
            const int width = QFontMetrics(runFont(font, run.style)).horizontalAdvance(platform::toQString(run.text));
            drawRun(painter, QRect(x, y, width, size.height()), run, font, textColour);
            x += width;
        }
        y += size.height();
    }
}

}  // namespace chart
