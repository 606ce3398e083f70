#include "chart/chart_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "runtime/texts.h"

namespace chart {

namespace {

// How far above the top edge a value may be drawn, in plot heights. Far
// beyond the clip anyway; it only keeps coordinates finite for MaxValue 0.
constexpr double kMaxScaleOverflow = 64.0;
constexpr int kLegendSwatch = 20;
constexpr int kLegendSwatchGap = 5;
constexpr int kLegendItemGap = 16;
constexpr int kPointLabelGap = 4;
constexpr double kDigitInkShare = 0.7;

Text decimalText(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", value);
    return buffer;
}

Size measureOrEmpty(const TextMeasure& measure, TextRole role, const Text& text) {
    return text.empty() ? Size{} : measure.measure(role, text);
}

// The texts whose sizes decide the margins.
struct Margins {
    std::vector<Text> labels;
    int labelColumn = 0;
    int labelHeight = 0;
    Size title;
    Size yCaption;
    Size xCaption;
    int tallestPointLabel = 0;
};

Margins measureMargins(const ChartModel& model, const TextMeasure& measure) {
    const ChartSettings& settings = model.settings();
    Margins m;
    int widest = 0;
    for (int value : valueAxisLabels(settings.maxValue, settings.gridDivisions)) {
        m.labels.push_back(decimalText(value));
        const Size size = measure.measure(TextRole::Axis, m.labels.back());
        widest = std::max(widest, size.width);
        m.labelHeight = std::max(m.labelHeight, size.height);
    }
    m.yCaption = measureOrEmpty(measure, TextRole::Axis, settings.yAxisCaption);
    m.labelColumn = std::max(widest, m.yCaption.width / 2);
    m.title = measureOrEmpty(measure, TextRole::Title, settings.title);
    m.xCaption = measureOrEmpty(measure, TextRole::Axis, settings.xAxisCaption);
    for (int p = 0; p < model.data().pointCount(); ++p) {
        const Text& label = model.data().pointLabel(p);
        if (!label.empty())
            m.tallestPointLabel = std::max(m.tallestPointLabel, measure.measure(TextRole::Axis, label).height);
    }
    return m;
}

void placeFrame(ChartLayout& layout, const Margins& m) {
    const Rect& area = layout.area;
    layout.labelColumnWidth = m.labelColumn;
    layout.title = {Text{}, Rect{area.left + (area.width - m.title.width) / 2, area.top + kTitleMargin,
                                 m.title.width, m.title.height}};
    const int aboveFrame = layout.title.rect.bottom();
    layout.plotLeft = area.left + m.labelColumn + 2 * kLabelGap;
    layout.plotBottom = area.bottom() - kBottomMargin - m.tallestPointLabel;
    layout.plotRight = area.right() - kRightMargin - m.xCaption.width - layout.depth;
    layout.plotTop = aboveFrame + kBelowTitle + m.yCaption.height + layout.depth;
}

void placeValueLabels(ChartLayout& layout, const Margins& m, int divisions) {
    const int left = layout.plotLeft - m.labelColumn - kLabelGap;
    const auto labelAt = [&](const Text& text, double y) {
        return PlacedText{text, Rect{left, int(std::lround(y)) - m.labelHeight / 2, m.labelColumn, m.labelHeight}};
    };
    layout.valueLabels.push_back(labelAt("0", layout.plotBottom));
    // With many divisions the labels would print over each other; keep those
    // that have room below the last one kept. Digits have no descenders and
    // fill about two thirds of a line, so that is the room they need.
    const double room = m.labelHeight * kDigitInkShare;
    double lastKept = layout.plotBottom;
    for (int i = 1; i <= divisions; ++i) {
        const double y = layout.plotBottom - double(i) * (layout.plotBottom - layout.plotTop) / divisions;
        if (lastKept - y < room) continue;
        layout.valueLabels.push_back(labelAt(m.labels[std::size_t(i - 1)], y));
        lastKept = y;
    }
}

void placeCaptions(ChartLayout& layout, const Margins& m, const ChartSettings& settings) {
    // The y caption stands centred over the value axis, clear of the top label
    // and of the back wall.
    layout.yCaption = {settings.yAxisCaption,
                       Rect{layout.plotLeft - m.yCaption.width / 2, layout.title.rect.bottom() + kBelowTitle / 2,
                            m.yCaption.width, m.yCaption.height}};
    layout.xCaption = {settings.xAxisCaption,
                       Rect{layout.plotRight + layout.depth + kRightMargin / 2, layout.plotBottom - m.xCaption.height / 2,
                            m.xCaption.width, m.xCaption.height}};
}

void placePointLabels(ChartLayout& layout, const ChartData& data, const TextMeasure& measure) {
    int lastRight = layout.area.left;
    for (int p = 0; p < data.pointCount(); ++p) {
        const Text& label = data.pointLabel(p);
        if (label.empty()) continue;
        const Size size = measure.measure(TextRole::Axis, label);
        const int left = int(std::lround(layout.pointX(p) - size.width / 2.0));
        if (left < lastRight || left + size.width > layout.area.right()) continue;
        layout.pointLabels.push_back({label, Rect{left, layout.plotBottom + 2, size.width, size.height}});
        lastRight = left + size.width + kPointLabelGap;
    }
}

void placeGridLines(ChartLayout& layout, int divisions) {
    const double d = layout.depth;
    for (int i = 1; i < divisions; ++i) {
        const double y = layout.plotBottom - double(i) * (layout.plotBottom - layout.plotTop) / divisions;
        layout.gridLines.push_back({PointF{double(layout.plotLeft), y}, PointF{layout.plotLeft + d, y - d},
                                    PointF{layout.plotRight + d, y - d}});
    }
}

// The legend sits centred under the plot in the bottom margin.
void placeLegend(ChartLayout& layout, const ChartData& data, const TextMeasure& measure) {
    int totalWidth = 0;
    for (int s = 0; s < data.seriesCount(); ++s) {
        const Size size = measureOrEmpty(measure, TextRole::Legend, data.seriesName(s));
        const Rect swatch{0, 0, kLegendSwatch, 0};
        layout.legend.push_back({s, swatch, {data.seriesName(s), Rect{0, 0, size.width, size.height}}});
        totalWidth += kLegendSwatch + kLegendSwatchGap + size.width + (s > 0 ? kLegendItemGap : 0);
    }
    const int centreY = layout.area.bottom() - kBottomMargin / 2;
    int x = (layout.plotLeft + layout.plotRight) / 2 - totalWidth / 2;
    for (LegendItem& item : layout.legend) {
        item.swatch = Rect{x, centreY - 1, kLegendSwatch, 3};
        x += kLegendSwatch + kLegendSwatchGap;
        item.name.rect.left = x;
        item.name.rect.top = centreY - item.name.rect.height / 2;
        x += item.name.rect.width + kLegendItemGap;
    }
}

}  // namespace

std::vector<int> valueAxisLabels(int maxValue, int divisions) {
    std::vector<int> labels;
    labels.reserve(std::size_t(std::max(divisions, 0)));
    for (int i = 1; i <= divisions; ++i)
        labels.push_back(int(double(i) * maxValue / divisions + 0.5));
    return labels;
}

double ChartLayout::pointX(int point) const {
    if (pointCount <= 1) return (plotLeft + plotRight) / 2.0;
    return plotLeft + double(point) * (plotRight - plotLeft) / (pointCount - 1);
}

double ChartLayout::valueY(double value) const {
    double fraction = 0.0;
    if (maxValue > 0) fraction = value / maxValue;
    else if (value > 0.0) fraction = kMaxScaleOverflow;
    fraction = std::clamp(fraction, 0.0, kMaxScaleOverflow);
    return plotBottom - fraction * (plotBottom - plotTop);
}

ChartLayout computeLayout(const ChartModel& model, Rect area, const TextMeasure& measure) {
    const ChartSettings& settings = model.settings();
    ChartLayout layout;
    layout.area = area;
    layout.depth = settings.depth;
    layout.maxValue = settings.maxValue;
    layout.pointCount = model.data().pointCount();
    const Margins margins = measureMargins(model, measure);
    placeFrame(layout, margins);
    layout.title.text = settings.title;
    placeValueLabels(layout, margins, settings.gridDivisions);
    placeCaptions(layout, margins, settings);
    placePointLabels(layout, model.data(), measure);
    if (settings.showGrid) placeGridLines(layout, settings.gridDivisions);
    if (settings.showLegend) placeLegend(layout, model.data(), measure);
    return layout;
}

Text valueText(double value) {
    char buffer[32];
    // Large amounts print whole: "%.7g" would turn 10,000,000 into 1e+07.
    if (value >= 1e6) std::snprintf(buffer, sizeof buffer, "%.0f", value);
    else std::snprintf(buffer, sizeof buffer, "%.7g", value);
    return buffer;
}

HotSpot pointHotSpot(const ChartLayout& layout, const ChartData& data, int series, int point) {
    const double value = data.value(series, point);
    const double x = layout.pointX(point);
    const double y = layout.valueY(value);
    if (y < layout.plotTop - 1 || y > layout.plotBottom + 1) return {};
    // A square of up to 12 pixels, narrower where the points crowd together.
    const double spacing = layout.pointCount > 1 ? double(layout.plotRight - layout.plotLeft) / (layout.pointCount - 1) : 12.0;
    const int half = std::clamp(int(spacing / 2.0), 3, 6);
    const Rect rect{int(std::lround(x)) - half, int(std::lround(y)) - half, 2 * half, 2 * half};
    const Text& name = data.seriesName(series);
    return {rect, name.empty() ? valueText(value) : name + ": " + valueText(value)};
}

const HotSpot* hotSpotAt(const std::vector<HotSpot>& spots, int x, int y) {
    for (auto it = spots.rbegin(); it != spots.rend(); ++it)
        if (!it->rect.isEmpty() && it->rect.contains(x, y)) return &*it;
    return nullptr;
}

Text tipTextAt(const Text& tipTemplate, const std::vector<HotSpot>& spots, int x, int y) {
    const HotSpot* spot = hotSpotAt(spots, x, y);
    if (!spot) return {};
    return runtime::ReplaceSubtext(tipTemplate, "${v}", spot->text);
}

}  // namespace chart
