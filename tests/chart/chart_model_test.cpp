// The chart's properties and data set, through the slots the console uses.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "chart/chart_properties.h"

namespace chart {
namespace {

using platform::PropertyValue;
using runtime::Gbk;

struct DefaultCase {
    int slot;
    PropertyValue expected;
};

class ChartDefaults : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(ChartDefaults, ReadsTheTableDefault) {
    const ChartModel model;
    EXPECT_EQ(model.read(GetParam().slot), GetParam().expected) << "slot " << GetParam().slot;
}

INSTANTIATE_TEST_SUITE_P(
    EverySlot, ChartDefaults,
    ::testing::Values(
        DefaultCase{8, 0}, DefaultCase{9, 0x646464}, DefaultCase{10, std::int32_t(0xFF000000)},
        DefaultCase{11, Text{}}, DefaultCase{12, 0}, DefaultCase{13, 1}, DefaultCase{14, Gbk("曲线图")},
        DefaultCase{15, Text{}}, DefaultCase{16, 0}, DefaultCase{17, Gbk("月份")},
        DefaultCase{18, Gbk("万元")}, DefaultCase{19, Text{}}, DefaultCase{20, 0}, DefaultCase{21, 100},
        DefaultCase{22, 10}, DefaultCase{23, 1}, DefaultCase{24, Text{}}, DefaultCase{25, 0},
        DefaultCase{26, 1}, DefaultCase{27, 0}, DefaultCase{28, Gbk("销售金额")}, DefaultCase{29, 255},
        DefaultCase{30, 1}, DefaultCase{31, 0}, DefaultCase{32, Gbk("一月")}, DefaultCase{33, 10.0},
        DefaultCase{34, 0}, DefaultCase{35, 1}, DefaultCase{36, Text{"${v}"}}));

struct ClampCase {
    int slot;
    PropertyValue written;
    PropertyValue stored;
};

class ChartClamps : public ::testing::TestWithParam<ClampCase> {};

TEST_P(ChartClamps, StoresTheClampedValue) {
    ChartModel model;
    model.write(GetParam().slot, GetParam().written);
    EXPECT_EQ(model.read(GetParam().slot), GetParam().stored) << "slot " << GetParam().slot;
}

INSTANTIATE_TEST_SUITE_P(
    ClampedSlots, ChartClamps,
    ::testing::Values(
        ClampCase{kPointValueSlot, -5.0, 0.0}, ClampCase{kPointValueSlot, 2e7, 10'000'000.0},
        ClampCase{kPointValueSlot, 9'999'999.5, 9'999'999.5}, ClampCase{kPointValueSlot, 12.5, 12.5},
        ClampCase{kPointValueSlot, std::numeric_limits<double>::quiet_NaN(), 0.0},
        ClampCase{kPointValueSlot, Text{"3.25"}, 3.25},
        ClampCase{kPointCountSlot, 0, 1}, ClampCase{kPointCountSlot, 500, 100},
        ClampCase{kSeriesCountSlot, -3, 1}, ClampCase{kSeriesCountSlot, 101, 100},
        ClampCase{kMaxValueSlot, -1, 0}, ClampCase{kMaxValueSlot, 20'000'000, 10'000'000},
        ClampCase{kGridDivisionsSlot, 0, 1}, ClampCase{kGridDivisionsSlot, 101, 100},
        ClampCase{kDepthSlot, -1, 0}, ClampCase{kDepthSlot, 11, 10},
        ClampCase{kShowGridSlot, 0, 0}, ClampCase{kShowBorderSlot, 7, 1},
        ClampCase{kTitleColorSlot, 0x0A0AC8, 0x0A0AC8},
        ClampCase{kXAxisCaptionSlot, 12, Text{"12"}}));

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

TEST(ChartData, GrowingPointCountKeepsValuesAndAddsZeros) {
    ChartModel model = numberedChart(2, 60);
    model.write(kCurrentSeriesSlot, 1);
    model.write(kCurrentPointSlot, 7);
    model.write(kPointCountSlot, 61);
    EXPECT_EQ(model.currentPoint(), 0);
    for (int s = 0; s < 2; ++s) {
        for (int p = 0; p < 60; ++p) EXPECT_EQ(model.data().value(s, p), 100.0 * s + p) << s << "," << p;
        EXPECT_EQ(model.data().value(s, 60), 0.0);
    }
    EXPECT_EQ(model.data().pointLabel(60), "");
}

TEST(ChartData, ShrinkingPointCountKeepsTheFirstPoints) {
    ChartModel model = numberedChart(3, 10);
    model.write(kCurrentPointSlot, 2);
    model.write(kPointLabelSlot, Text{"p2"});
    model.write(kPointCountSlot, 4);
    ASSERT_EQ(model.data().pointCount(), 4);
    for (int s = 0; s < 3; ++s)
        for (int p = 0; p < 4; ++p) EXPECT_EQ(model.data().value(s, p), 100.0 * s + p);
    EXPECT_EQ(model.data().pointLabel(2), "p2");
}

TEST(ChartData, GrowingSeriesCountKeepsSeriesAndValues) {
    ChartModel model = numberedChart(2, 5);
    model.write(kCurrentSeriesSlot, 1);
    model.write(kSeriesNameSlot, Gbk("电流"));
    model.write(kSeriesColorSlot, 0xFF0000);
    model.write(kSeriesCountSlot, 4);
    EXPECT_EQ(model.currentSeries(), 0);
    const ChartData& data = model.data();
    EXPECT_EQ(data.seriesName(0), Gbk("销售金额"));
    EXPECT_EQ(data.seriesColour(0), 0x0000FFu);
    EXPECT_EQ(data.seriesName(1), Gbk("电流"));
    EXPECT_EQ(data.seriesColour(1), 0xFF0000u);
    for (int s : {2, 3}) {
        EXPECT_EQ(data.seriesName(s), "");
        EXPECT_EQ(data.seriesColour(s), kNewSeriesColour);
    }
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(data.value(0, p), p);
        EXPECT_EQ(data.value(1, p), 100.0 + p);
        EXPECT_EQ(data.value(2, p), 0.0);
        EXPECT_EQ(data.value(3, p), 0.0);
    }
}

TEST(ChartData, ShrinkingSeriesCountKeepsTheFirstSeries) {
    ChartModel model = numberedChart(3, 4);
    model.write(kSeriesCountSlot, 2);
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(model.data().value(0, p), p);
        EXPECT_EQ(model.data().value(1, p), 100.0 + p);
    }
    model.write(kSeriesCountSlot, 3);
    EXPECT_EQ(model.data().value(2, 3), 0.0);
    EXPECT_EQ(model.data().seriesColour(2), kNewSeriesColour);
}

// The curve reset writes the series count 2 on every range selection; the
// plotted minute must survive it, cursor included.
TEST(ChartData, WritingTheSameCountChangesNothing) {
    ChartModel model = numberedChart(2, 60);
    model.write(kCurrentSeriesSlot, 1);
    model.write(kCurrentPointSlot, 30);
    model.write(kSeriesCountSlot, 2);
    model.write(kPointCountSlot, 60);
    EXPECT_EQ(model.currentSeries(), 1);
    EXPECT_EQ(model.currentPoint(), 30);
    EXPECT_EQ(model.read(kPointValueSlot), PropertyValue(130.0));
    EXPECT_EQ(model.data().value(0, 59), 59.0);
}

TEST(ChartCursors, OutOfRangeSelectsTheFirst) {
    ChartModel model = numberedChart(2, 60);
    model.write(kCurrentSeriesSlot, 1);
    model.write(kCurrentSeriesSlot, 5);
    EXPECT_EQ(model.read(kCurrentSeriesSlot), PropertyValue(0));
    model.write(kCurrentPointSlot, 10);
    model.write(kCurrentPointSlot, -1);
    EXPECT_EQ(model.read(kCurrentPointSlot), PropertyValue(0));
    model.write(kCurrentPointSlot, 60);
    EXPECT_EQ(model.read(kCurrentPointSlot), PropertyValue(0));
    model.write(kCurrentPointSlot, 59);
    EXPECT_EQ(model.read(kCurrentPointSlot), PropertyValue(59));
}

TEST(ChartCursors, CellWritesGoToTheSelectedCell) {
    ChartModel model = numberedChart(2, 3);
    model.write(kCurrentSeriesSlot, 1);
    model.write(kCurrentPointSlot, 2);
    model.write(kPointValueSlot, 7.5);
    model.write(kSeriesNameSlot, Gbk("电流"));
    model.write(kSeriesColorSlot, 0xFF0000);
    model.write(kPointLabelSlot, Text{"2s"});
    EXPECT_EQ(model.data().value(1, 2), 7.5);
    EXPECT_EQ(model.data().value(0, 2), 2.0);
    EXPECT_EQ(model.read(kSeriesNameSlot), PropertyValue(Gbk("电流")));
    EXPECT_EQ(model.read(kSeriesColorSlot), PropertyValue(0xFF0000));
    EXPECT_EQ(model.read(kPointLabelSlot), PropertyValue(Text{"2s"}));
    EXPECT_EQ(model.data().seriesName(0), Gbk("销售金额"));
}

TEST(ChartData, ReadsOutOfRangeGiveTheEmptyAnswers) {
    const ChartData data;  // one series, one point
    for (const auto& [series, point] : {std::pair{1, 0}, {0, 1}, {-1, 0}, {0, -1}, {100, 100}})
        EXPECT_EQ(data.value(series, point), 0.0) << series << "," << point;
    for (int index : {-1, 1, 100}) {
        EXPECT_EQ(data.seriesName(index), "");
        EXPECT_EQ(data.seriesColour(index), kMissingColour);
        EXPECT_EQ(data.pointLabel(index), "");
    }
}

TEST(ChartData, WritesOutOfRangeAreIgnored) {
    ChartData data;
    data.setValue(1, 0, 5.0);
    data.setValue(0, 1, 5.0);
    data.setSeriesName(3, "x");
    data.setSeriesColour(-1, 0x123456);
    data.setPointLabel(2, "y");
    EXPECT_EQ(data.value(0, 0), 10.0);
    EXPECT_EQ(data.seriesName(0), Gbk("销售金额"));
    EXPECT_EQ(data.seriesColour(0), 0x0000FFu);
    EXPECT_EQ(data.pointLabel(0), Gbk("一月"));
}

TEST(ChartProperties, SlotsOutsideTheUnitAreIgnored) {
    ChartModel model;
    for (int slot : {0, 7, 37, -1}) {
        model.write(slot, 5);
        EXPECT_EQ(model.read(slot), PropertyValue(0));
    }
    EXPECT_EQ(model.read(kMaxValueSlot), PropertyValue(100));
}

// The console's tick: every point takes its right-hand neighbour's value and
// the newest sample enters on the right, all through the cursors.
TEST(ChartCursors, ScrollThroughCursorsKeepsTheLatestSamples) {
    ChartModel model;
    model.write(kSeriesCountSlot, 2);
    model.write(kPointCountSlot, 5);
    for (int tick = 1; tick <= 7; ++tick) {
        for (int s = 0; s < 2; ++s) {
            model.write(kCurrentSeriesSlot, s);
            const int n = std::get<std::int32_t>(model.read(kPointCountSlot));
            double carried = 0.0;
            for (int k = n - 1; k >= 0; --k) {
                model.write(kCurrentPointSlot, k);
                const double present = std::get<double>(model.read(kPointValueSlot));
                model.write(kPointValueSlot, k == n - 1 ? tick * (s + 1.0) : carried);
                carried = present;
            }
        }
    }
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(model.data().value(0, p), 3.0 + p);
        EXPECT_EQ(model.data().value(1, p), 2 * (3.0 + p));
    }
}

}  // namespace
}  // namespace chart
