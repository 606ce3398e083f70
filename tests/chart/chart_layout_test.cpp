// Margins, frame, grid, mapping and hit-testing with fixed-size fake text.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/chart_layout.h"

namespace chart {
namespace {

using runtime::Gbk;

// Axis and legend text: 6 pixels a byte, 12 high; the title 8 a byte, 20 high.
class FakeMeasure : public TextMeasure {
public:
    Size measure(TextRole role, std::string_view text) const override {
        if (role == TextRole::Title) return {int(text.size()) * 8, 20};
        return {int(text.size()) * 6, 12};
    }
};

const Rect kArea{0, 0, 680, 235};

ChartLayout layoutOf(const ChartModel& model) { return computeLayout(model, kArea, FakeMeasure()); }

struct LabelCase {
    int maxValue;
    int divisions;
    std::vector<int> labels;
};

class ValueAxisLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(ValueAxisLabels, RoundHalfUpOfTheDivisionBoundaries) {
    EXPECT_EQ(valueAxisLabels(GetParam().maxValue, GetParam().divisions), GetParam().labels);
}

INSTANTIATE_TEST_SUITE_P(
    Scales, ValueAxisLabels,
    ::testing::Values(LabelCase{10, 10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
                      LabelCase{100, 10, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100}},
                      LabelCase{7, 2, {4, 7}},        // 3.5 rounds up
                      LabelCase{10, 3, {3, 7, 10}},   // 3.33 down, 6.67 up
                      LabelCase{0, 2, {0, 0}},
                      LabelCase{10'000'000, 1, {10'000'000}}));

TEST(ChartLayout, DrawnValueLabelsReadZeroThenTheScale) {
    ChartModel model;
    model.write(kMaxValueSlot, 10);
    const ChartLayout layout = layoutOf(model);
    std::vector<Text> texts;
    for (const PlacedText& label : layout.valueLabels) texts.push_back(label.text);
    EXPECT_EQ(texts, (std::vector<Text>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
}

TEST(ChartLayout, LeftMarginIsTheWidestLabelOrHalfTheCaption) {
    ChartModel model;  // labels up to "100": 18 wide; "万元" is 4 bytes, 24 wide
    ChartLayout layout = layoutOf(model);
    EXPECT_EQ(layout.labelColumnWidth, 18);
    EXPECT_EQ(layout.plotLeft, 18 + 40);
    model.write(kYAxisCaptionSlot, Text(20, 'v'));  // 120 wide: half is 60
    layout = layoutOf(model);
    EXPECT_EQ(layout.labelColumnWidth, 60);
    EXPECT_EQ(layout.plotLeft, 60 + 40);
    // The "0" starts the column width plus 20 left of the value axis, centred on the bottom edge.
    const PlacedText& zero = layout.valueLabels.front();
    EXPECT_EQ(zero.text, "0");
    EXPECT_EQ(zero.rect.left, layout.plotLeft - 60 - 20);
    EXPECT_EQ(zero.rect.top + zero.rect.height / 2, layout.plotBottom);
}

TEST(ChartLayout, FrameEdgesFollowCaptionsLabelsAndDepth) {
    ChartModel model;  // title "曲线图": 6 bytes, 48 x 20; captions 4 bytes: 24 x 12
    ChartLayout layout = layoutOf(model);
    EXPECT_EQ(layout.plotBottom, 235 - 30 - 12);  // "一月" is the tallest point label
    EXPECT_EQ(layout.plotRight, 680 - 10 - 24);
    EXPECT_EQ(layout.plotTop, kTitleMargin + 20 + 20 + 12);

    model.write(kPointLabelSlot, Text{});
    model.write(kDepthSlot, 8);
    model.write(kXAxisCaptionSlot, Text{});
    layout = layoutOf(model);
    EXPECT_EQ(layout.plotBottom, 235 - 30);
    EXPECT_EQ(layout.plotRight, 680 - 10 - 0 - 8);
    EXPECT_EQ(layout.plotTop, kTitleMargin + 20 + 20 + 12 + 8);
}

TEST(ChartLayout, GridLinesSlantByTheDepthOffset) {
    ChartModel model;
    model.write(kGridDivisionsSlot, 4);
    model.write(kDepthSlot, 6);
    const ChartLayout layout = layoutOf(model);
    ASSERT_EQ(layout.gridLines.size(), 3u);
    const double step = (layout.plotBottom - layout.plotTop) / 4.0;
    for (int i = 0; i < 3; ++i) {
        const GridLine& line = layout.gridLines[std::size_t(i)];
        const double y = layout.plotBottom - (i + 1) * step;
        EXPECT_DOUBLE_EQ(line.start.x, layout.plotLeft);
        EXPECT_DOUBLE_EQ(line.start.y, y);
        EXPECT_DOUBLE_EQ(line.bend.x, layout.plotLeft + 6);
        EXPECT_DOUBLE_EQ(line.bend.y, y - 6);
        EXPECT_DOUBLE_EQ(line.end.x, layout.plotRight + 6);
        EXPECT_DOUBLE_EQ(line.end.y, y - 6);
    }
    model.write(kShowGridSlot, 0);
    EXPECT_TRUE(layoutOf(model).gridLines.empty());
}

TEST(ChartLayout, ValuesScaleAgainstMaxValue) {
    ChartModel model;
    model.write(kMaxValueSlot, 10);
    model.write(kPointCountSlot, 60);
    const ChartLayout layout = layoutOf(model);
    EXPECT_DOUBLE_EQ(layout.valueY(0.0), layout.plotBottom);
    EXPECT_DOUBLE_EQ(layout.valueY(10.0), layout.plotTop);
    EXPECT_DOUBLE_EQ(layout.valueY(5.0), (layout.plotBottom + layout.plotTop) / 2.0);
    EXPECT_LT(layout.valueY(12.5), layout.plotTop);
    EXPECT_DOUBLE_EQ(layout.pointX(0), layout.plotLeft);
    EXPECT_DOUBLE_EQ(layout.pointX(59), layout.plotRight);
}

TEST(ChartLayout, ZeroMaxValueKeepsCoordinatesFinite) {
    ChartModel model;
    model.write(kMaxValueSlot, 0);
    const ChartLayout layout = layoutOf(model);
    EXPECT_DOUBLE_EQ(layout.valueY(0.0), layout.plotBottom);
    EXPECT_TRUE(std::isfinite(layout.valueY(10.0)));
    EXPECT_LT(layout.valueY(10.0), layout.plotTop);
    EXPECT_GT(layout.valueY(1e7), -1e5);
}

TEST(ChartLayout, CrowdedPointLabelsAreThinnedOut) {
    ChartModel model;
    model.write(kPointCountSlot, 100);
    for (int p = 0; p < 100; ++p) {
        model.write(kCurrentPointSlot, p);
        model.write(kPointLabelSlot, Text{"12345"});  // 30 wide, points ~6 apart
    }
    const ChartLayout layout = layoutOf(model);
    ASSERT_GT(layout.pointLabels.size(), 5u);
    EXPECT_LT(layout.pointLabels.size(), 30u);
    for (std::size_t i = 1; i < layout.pointLabels.size(); ++i)
        EXPECT_GE(layout.pointLabels[i].rect.left, layout.pointLabels[i - 1].rect.right());
}

TEST(ChartLayout, LegendListsEverySeriesBelowThePlot) {
    ChartModel model;
    model.write(kSeriesCountSlot, 2);
    const ChartLayout layout = layoutOf(model);
    ASSERT_EQ(layout.legend.size(), 2u);
    EXPECT_EQ(layout.legend[0].name.text, Gbk("销售金额"));
    EXPECT_LT(layout.legend[0].name.rect.right(), layout.legend[1].swatch.left);
    EXPECT_GT(layout.legend[0].swatch.top, layout.plotBottom);
    EXPECT_LE(layout.legend[0].name.rect.bottom(), kArea.bottom());
    model.write(kShowLegendSlot, 0);
    EXPECT_TRUE(layoutOf(model).legend.empty());
}

// --- hot spots -------------------------------------------------------------

TEST(HotSpots, SearchedFromTheLastRecorded) {
    const std::vector<HotSpot> spots = {
        {Rect{0, 0, 20, 20}, "first"}, {Rect{10, 10, 20, 20}, "second"}, {Rect{15, 15, 0, 10}, "empty"}};
    EXPECT_EQ(hotSpotAt(spots, 15, 15)->text, "second");
    EXPECT_EQ(hotSpotAt(spots, 5, 5)->text, "first");
    EXPECT_EQ(hotSpotAt(spots, 29, 29)->text, "second");
    EXPECT_EQ(hotSpotAt(spots, 30, 30), nullptr);
    EXPECT_EQ(hotSpotAt({}, 0, 0), nullptr);
}

TEST(HotSpots, TipTextReplacesEveryPlaceholder) {
    const std::vector<HotSpot> spots = {{Rect{0, 0, 10, 10}, Gbk("电压: 12.5")}};
    EXPECT_EQ(tipTextAt("${v}", spots, 5, 5), Gbk("电压: 12.5"));
    EXPECT_EQ(tipTextAt(Gbk("值 ${v} / ${v}"), spots, 5, 5), Gbk("值 电压: 12.5 / 电压: 12.5"));
    EXPECT_EQ(tipTextAt("no placeholder", spots, 5, 5), "no placeholder");
    EXPECT_EQ(tipTextAt(Gbk("值 ${v}"), spots, 50, 5), "");
}

TEST(HotSpots, EachPlottedPointRecordsItsValue) {
    ChartModel model;
    model.write(kSeriesCountSlot, 2);
    model.write(kPointCountSlot, 60);
    model.write(kMaxValueSlot, 100);
    model.write(kCurrentSeriesSlot, 1);
    model.write(kSeriesNameSlot, Gbk("电流"));
    model.write(kCurrentPointSlot, 30);
    model.write(kPointValueSlot, double(12.345f));
    const ChartLayout layout = layoutOf(model);
    const HotSpot spot = pointHotSpot(layout, model.data(), 1, 30);
    EXPECT_EQ(spot.text, Gbk("电流: 12.345"));
    EXPECT_TRUE(spot.rect.contains(int(std::lround(layout.pointX(30))), int(std::lround(layout.valueY(12.345)))));
    EXPECT_LE(spot.rect.width, 12);

    model.write(kSeriesNameSlot, Text{});
    EXPECT_EQ(pointHotSpot(layout, model.data(), 1, 30).text, "12.345");
    model.write(kPointValueSlot, 500.0);  // above the scale: not on the plot
    EXPECT_TRUE(pointHotSpot(layout, model.data(), 1, 30).rect.isEmpty());
}

TEST(HotSpots, ValueTextShowsSamplesAsRead) {
    EXPECT_EQ(valueText(double(12.345f)), "12.345");
    EXPECT_EQ(valueText(double(0.1f)), "0.1");
    EXPECT_EQ(valueText(0.0), "0");
    EXPECT_EQ(valueText(100.0), "100");
    EXPECT_EQ(valueText(10'000'000.0), "10000000");
    EXPECT_EQ(valueText(1234567.0), "1234567");
}

}  // namespace
}  // namespace chart
