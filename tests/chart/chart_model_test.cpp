// The chart's properties and data set through the slots the console uses, and
// its layout and hot spots measured with fixed-size fake text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "chart/chart_layout.h"

namespace chart {
namespace {

using platform::PropertyValue;
using runtime::Gbk;

TEST(ChartProperties, WritesStoreTheClampedValue) {
    struct Case {
        int slot;
        PropertyValue written;
        PropertyValue stored;
    };
    const Case cases[] = {
        {kPointValueSlot, -5.0, 0.0}, {kPointValueSlot, 2e7, 10'000'000.0},
        {kPointValueSlot, std::numeric_limits<double>::quiet_NaN(), 0.0}, {kPointValueSlot, Text{"3.25"}, 3.25},
        {kPointCountSlot, 0, 1}, {kPointCountSlot, 500, 100},
        {kSeriesCountSlot, -3, 1}, {kSeriesCountSlot, 101, 100},
        {kMaxValueSlot, -1, 0}, {kMaxValueSlot, 20'000'000, 10'000'000},
        {kGridDivisionsSlot, 0, 1}, {kGridDivisionsSlot, 101, 100},
        {kDepthSlot, -1, 0}, {kDepthSlot, 11, 10},
        {kShowBorderSlot, 7, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "slot " << c.slot);
        ChartModel model;
        model.write(c.slot, c.written);
        EXPECT_EQ(model.read(c.slot), c.stored);
    }
}

// A chart with `series` series over `points` points, cell (s, p) = 100 s + p.
ChartModel numberedChart(int series, int points) {
    ChartModel model;
    model.write(kSeriesCountSlot, series);
    model.write(kPointCountSlot, points);
    for (int s = 0; s < series; ++s) {
        model.write(kCurrentSeriesSlot, s);
        for (int p = 0; p < points; ++p) {
            model.write(kCurrentPointSlot, p);
            model.write(kPointValueSlot, 100.0 * s + p);
        }
    }
    return model;
}

// The curve reset writes both counts on every range selection: writing the
// count a chart already has must keep the plotted minute and the cursors.
TEST(ChartData, PointCountKeepsTheSharedPointsAndAddsZeros) {
    for (int count : {61, 60, 4}) {
        SCOPED_TRACE(count);
        ChartModel model = numberedChart(2, 60);
        model.write(kCurrentSeriesSlot, 1);
        model.write(kCurrentPointSlot, 7);
        model.write(kSeriesCountSlot, 2);
        model.write(kPointCountSlot, count);
        EXPECT_EQ(model.currentSeries(), 1);
        EXPECT_EQ(model.read(kCurrentPointSlot), PropertyValue(count == 60 ? 7 : 0));
        EXPECT_EQ(model.read(kPointValueSlot), PropertyValue(count == 60 ? 107.0 : 100.0));
        ASSERT_EQ(model.data().pointCount(), count);
        for (int s = 0; s < 2; ++s)
            for (int p = 0; p < count; ++p) EXPECT_EQ(model.data().value(s, p), p < 60 ? 100.0 * s + p : 0.0);
    }
}

TEST(ChartData, SeriesCountKeepsTheSharedSeries) {
    ChartModel model = numberedChart(3, 5);
    model.write(kCurrentSeriesSlot, 1);
    model.write(kSeriesNameSlot, Gbk("电流"));
    model.write(kSeriesColorSlot, 0xFF0000);
    model.write(kSeriesCountSlot, 2);
    model.write(kSeriesCountSlot, 4);  // series 2 comes back empty
    EXPECT_EQ(model.currentSeries(), 0);
    const ChartData& data = model.data();
    EXPECT_EQ(data.seriesName(1), Gbk("电流"));
    EXPECT_EQ(data.seriesColour(1), 0xFF0000u);
    for (int s : {2, 3}) {
        EXPECT_EQ(data.seriesName(s), "");
        EXPECT_EQ(data.seriesColour(s), 0x0A0AC8u);
    }
    for (int s = 0; s < 4; ++s)
        for (int p = 0; p < 5; ++p) EXPECT_EQ(data.value(s, p), s < 2 ? 100.0 * s + p : 0.0) << s << "," << p;
}

TEST(ChartCursors, OutOfRangeSelectsTheFirst) {
    ChartModel model = numberedChart(2, 60);
    model.write(kCurrentSeriesSlot, 1);
    model.write(kCurrentSeriesSlot, 5);
    EXPECT_EQ(model.read(kCurrentSeriesSlot), PropertyValue(0));
    for (const auto& [written, selected] : {std::pair{-1, 0}, {60, 0}, {59, 59}}) {
        model.write(kCurrentPointSlot, 10);
        model.write(kCurrentPointSlot, written);
        EXPECT_EQ(model.read(kCurrentPointSlot), PropertyValue(selected)) << written;
    }
}

TEST(ChartData, OutOfRangeReadsAreEmptyAndWritesIgnored) {
    ChartData data;  // one series, one point
    data.setValue(1, 0, 5.0);
    data.setValue(0, -1, 5.0);
    data.setSeriesName(3, "x");
    data.setSeriesColour(-1, 0x123456);
    data.setPointLabel(1, "y");
    EXPECT_EQ(data.value(0, 0), 10.0);
    EXPECT_EQ(data.seriesColour(0), 0x0000FFu);
    for (int index : {-1, 1, 100}) {
        EXPECT_EQ(data.value(index, 0), 0.0);
        EXPECT_EQ(data.value(0, index), 0.0);
        EXPECT_EQ(data.seriesName(index), "");
        EXPECT_EQ(data.seriesColour(index), 0xFFFFFFu);
        EXPECT_EQ(data.pointLabel(index), "");
    }
}

TEST(ChartProperties, SlotsOutsideTheUnitAreIgnored) {
    ChartModel model;
    for (int slot : {0, 7, 37, -1}) {
        model.write(slot, 5);
        EXPECT_EQ(model.read(slot), PropertyValue(0));
    }
    EXPECT_EQ(model.read(kMaxValueSlot), PropertyValue(100));
}

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

TEST(ChartLayout, ValueAxisLabelsRoundTheDivisionBoundariesHalfUp) {
    EXPECT_EQ(valueAxisLabels(10, 10), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(valueAxisLabels(100, 10), (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(valueAxisLabels(7, 2), (std::vector<int>{4, 7}));       // 3.5 rounds up
    EXPECT_EQ(valueAxisLabels(10, 3), (std::vector<int>{3, 7, 10}));  // 3.33 down, 6.67 up
}

TEST(ChartLayout, FrameMakesRoomForLabelsCaptionsAndDepth) {
    ChartModel model;  // labels up to "100": 18 wide; title "曲线图" 48 x 20; captions 4 bytes, 24 x 12
    ChartLayout layout = layoutOf(model);
    std::vector<Text> texts;
    for (const PlacedText& label : layout.valueLabels) texts.push_back(label.text);
    EXPECT_EQ(texts, (std::vector<Text>{"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}));
    EXPECT_EQ(layout.plotLeft, 18 + 40);
    EXPECT_EQ(layout.plotBottom, 235 - 30 - 12);  // "一月" is the tallest point label
    EXPECT_EQ(layout.plotRight, 680 - 10 - 24);
    EXPECT_EQ(layout.plotTop, kTitleMargin + 20 + 20 + 12);

    model.write(kYAxisCaptionSlot, Text(20, 'v'));  // 120 wide: half is wider than the labels
    model.write(kPointLabelSlot, Text{});
    model.write(kXAxisCaptionSlot, Text{});
    model.write(kDepthSlot, 8);
    layout = layoutOf(model);
    EXPECT_EQ(layout.plotLeft, 60 + 40);
    EXPECT_EQ(layout.plotBottom, 235 - 30);
    EXPECT_EQ(layout.plotRight, 680 - 10 - 0 - 8);
    EXPECT_EQ(layout.plotTop, kTitleMargin + 20 + 20 + 12 + 8);
    // The "0" starts the column width plus 20 left of the value axis, centred on the bottom edge.
    const PlacedText& zero = layout.valueLabels.front();
    EXPECT_EQ(zero.rect.left, layout.plotLeft - 60 - 20);
    EXPECT_EQ(zero.rect.top + zero.rect.height / 2, layout.plotBottom);
}

TEST(ChartLayout, GridLinesSlantByTheDepthOffset) {
    ChartModel model;
    model.write(kGridDivisionsSlot, 4);
    model.write(kDepthSlot, 6);
    const ChartLayout layout = layoutOf(model);
    ASSERT_EQ(layout.gridLines.size(), 3u);
    const GridLine& middle = layout.gridLines[1];
    const double y = (layout.plotBottom + layout.plotTop) / 2.0;
    EXPECT_DOUBLE_EQ(middle.start.x, layout.plotLeft);
    EXPECT_DOUBLE_EQ(middle.start.y, y);
    EXPECT_DOUBLE_EQ(middle.end.x, layout.plotRight + 6);
    EXPECT_DOUBLE_EQ(middle.end.y, y - 6);
    model.write(kShowGridSlot, 0);
    EXPECT_TRUE(layoutOf(model).gridLines.empty());
}

TEST(ChartLayout, ValuesScaleAgainstMaxValue) {
    ChartModel model;
    model.write(kMaxValueSlot, 10);
    model.write(kPointCountSlot, 60);
    ChartLayout layout = layoutOf(model);
    EXPECT_DOUBLE_EQ(layout.valueY(0.0), layout.plotBottom);
    EXPECT_DOUBLE_EQ(layout.valueY(5.0), (layout.plotBottom + layout.plotTop) / 2.0);
    EXPECT_DOUBLE_EQ(layout.valueY(10.0), layout.plotTop);
    EXPECT_DOUBLE_EQ(layout.pointX(0), layout.plotLeft);
    EXPECT_DOUBLE_EQ(layout.pointX(59), layout.plotRight);
    // A zero scale puts any positive value above the plot, yet at a finite height.
    model.write(kMaxValueSlot, 0);
    layout = layoutOf(model);
    EXPECT_DOUBLE_EQ(layout.valueY(0.0), layout.plotBottom);
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
    for (std::size_t i = 1; i < layout.pointLabels.size(); ++i)
        EXPECT_GE(layout.pointLabels[i].rect.left, layout.pointLabels[i - 1].rect.right());
}

TEST(ChartLayout, LegendListsEverySeriesBelowThePlot) {
    ChartModel model;
    model.write(kSeriesCountSlot, 2);
    const ChartLayout layout = layoutOf(model);
    ASSERT_EQ(layout.legend.size(), 2u);
    EXPECT_LT(layout.legend[0].name.rect.right(), layout.legend[1].swatch.left);
    EXPECT_GT(layout.legend[0].swatch.top, layout.plotBottom);
    EXPECT_LE(layout.legend[0].name.rect.bottom(), kArea.bottom());
    model.write(kShowLegendSlot, 0);
    EXPECT_TRUE(layoutOf(model).legend.empty());
}

TEST(HotSpots, SearchedFromTheLastRecorded) {
    const std::vector<HotSpot> spots = {
        {Rect{0, 0, 20, 20}, "first"}, {Rect{10, 10, 20, 20}, "second"}, {Rect{15, 15, 0, 10}, "empty"}};
    EXPECT_EQ(hotSpotAt(spots, 15, 15)->text, "second");
    EXPECT_EQ(hotSpotAt(spots, 5, 5)->text, "first");
    EXPECT_EQ(hotSpotAt(spots, 29, 29)->text, "second");
    EXPECT_EQ(hotSpotAt(spots, 30, 30), nullptr);
}

TEST(HotSpots, TipTextReplacesEveryPlaceholder) {
    const std::vector<HotSpot> spots = {{Rect{0, 0, 10, 10}, Gbk("电压: 12.5")}};
    EXPECT_EQ(tipTextAt("${v}", spots, 5, 5), Gbk("电压: 12.5"));
    EXPECT_EQ(tipTextAt(Gbk("值 ${v} / ${v}"), spots, 5, 5), Gbk("值 电压: 12.5 / 电压: 12.5"));
    EXPECT_EQ(tipTextAt(Gbk("值 ${v}"), spots, 50, 5), "");
}

TEST(HotSpots, EachPlottedPointRecordsItsValue) {
    ChartModel model;
    model.write(kPointCountSlot, 60);
    model.write(kCurrentPointSlot, 30);
    model.write(kPointValueSlot, double(12.345f));
    const ChartLayout layout = layoutOf(model);
    EXPECT_EQ(pointHotSpot(layout, model.data(), 0, 30).text, Gbk("销售金额: 12.345"));
    EXPECT_LE(pointHotSpot(layout, model.data(), 0, 30).rect.width, 12);
    model.write(kSeriesNameSlot, Text{});
    EXPECT_EQ(pointHotSpot(layout, model.data(), 0, 30).text, "12.345");
    model.write(kPointValueSlot, 500.0);  // above the scale of 100: not on the plot
    EXPECT_TRUE(pointHotSpot(layout, model.data(), 0, 30).rect.isEmpty());
}

TEST(HotSpots, ValueTextShowsSamplesAsRead) {
    EXPECT_EQ(valueText(double(12.345f)), "12.345");
    EXPECT_EQ(valueText(double(0.1f)), "0.1");
    EXPECT_EQ(valueText(0.0), "0");
    EXPECT_EQ(valueText(10'000'000.0), "10000000");
}

}  // namespace
}  // namespace chart
