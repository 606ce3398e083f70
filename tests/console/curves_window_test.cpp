// The live curves through the real window: range clicks, the automatic range
// step, the scroll-and-append of each curve tick, and screenshots of a minute
// of curves in each range (the chart's own test covers its tooltip).
#include <QApplication>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/chart_properties.h"
#include "chart/line_chart_unit.h"
#include "console/realtime_curves.h"
#include "console_fixture.h"
#include "runtime/gbk_codec.h"

using namespace console;
using console::testing::ConsoleFixture;

namespace {

class CurvesWindowTest : public ConsoleFixture {
protected:
    CurvesWindowTest() { startWindow(); }

    const chart::ChartData& data() { return window->chart().model().data(); }
    const chart::ChartSettings& settings() { return window->chart().model().settings(); }
    int range() {
        const int states[] = {form().checked(kRange1Radio), form().checked(kRange2Radio), form().checked(kRange3Radio)};
        int selected = 0;
        for (int i = 0; i < 3; ++i) {
            if (states[i] == 0) continue;
            EXPECT_EQ(selected, 0) << "two range boxes checked";
            selected = i + 1;
        }
        return selected;
    }
    void click(std::uint32_t radio) { form().raise(radio, platform::kClicked); }
    void show(const std::string& voltage, const std::string& current) {
        form().setText(kVoltageReadout, voltage);
        form().setText(kCurrentReadout, current);
    }
    void tick() { form().raise(kCurveTimer, platform::kTimerFired); }
    double newest(int series) { return data().value(series, data().pointCount() - 1); }
    std::vector<double> curve(int series) {
        std::vector<double> values;
        for (int p = 0; p < data().pointCount(); ++p) values.push_back(data().value(series, p));
        return values;
    }
};

TEST_F(CurvesWindowTest, StartsWithTwoNamedCurvesOverAMinuteInRangeOne) {
    EXPECT_EQ(range(), 1);
    EXPECT_EQ(data().seriesCount(), 2);
    EXPECT_EQ(data().pointCount(), 60);
    EXPECT_EQ(data().seriesName(0), runtime::Gbk("电压"));
    EXPECT_EQ(data().seriesName(1), runtime::Gbk("电流"));
    EXPECT_EQ(data().seriesColour(0), 0x0000FFu);
    EXPECT_EQ(data().seriesColour(1), 0xFF0000u);
    EXPECT_EQ(settings().title, runtime::Gbk("电压0-100V 电流0-10A 实时曲线图"));
    EXPECT_EQ(settings().tipTemplate, "${v}");
    EXPECT_EQ(curve(0), std::vector<double>(60, 0.0));
    EXPECT_EQ(data().pointLabel(59), "0");
    EXPECT_EQ(data().pointLabel(9), "-50");
    EXPECT_EQ(data().pointLabel(10), "");
    EXPECT_EQ(form().interval(kCurveTimer), 0);
}

struct RangeClick {
    std::uint32_t radio;
    int range;
    int maxValue;
};

class RangeClickTest : public CurvesWindowTest, public ::testing::WithParamInterface<RangeClick> {};

TEST_P(RangeClickTest, ChecksOnlyItsBoxAndSetsTheScale) {
    const RangeClick& c = GetParam();
    // Start from a different range, with a scale that the click must overwrite.
    click(c.radio == kRange3Radio ? kRange1Radio : kRange3Radio);
    window->chart().writeProperty(chart::kGridDivisionsSlot, 4);
    window->chart().writeProperty(chart::kCurrentSeriesSlot, 1);
    window->chart().writeProperty(chart::kSeriesNameSlot, std::string("x"));
    click(c.radio);
    EXPECT_EQ(range(), c.range);
    EXPECT_EQ(settings().maxValue, c.maxValue);
    EXPECT_EQ(settings().gridDivisions, 10);
    EXPECT_EQ(data().seriesName(1), runtime::Gbk("电流")) << "the click resets the curves";
}

INSTANTIATE_TEST_SUITE_P(Ranges, RangeClickTest,
                         ::testing::Values(RangeClick{kRange1Radio, 1, 10}, RangeClick{kRange2Radio, 2, 100},
                                           RangeClick{kRange3Radio, 3, 100}));

struct RangeStep {
    std::uint32_t startRadio;
    const char* voltage;
    const char* current;
    int rangeAfterTick;
    double plottedVoltage;
    double plottedCurrent;
};

class RangeStepTest : public CurvesWindowTest, public ::testing::WithParamInterface<RangeStep> {};

TEST_P(RangeStepTest, OneTickStepsUpAndPlotsTheScaledSamples) {
    const RangeStep& c = GetParam();
    click(c.startRadio);
    show(c.voltage, c.current);
    tick();
    EXPECT_EQ(range(), c.rangeAfterTick);
    EXPECT_EQ(settings().maxValue, c.rangeAfterTick == 1 ? 10 : 100);
    EXPECT_FLOAT_EQ(newest(0), c.plottedVoltage);
    EXPECT_FLOAT_EQ(newest(1), c.plottedCurrent);
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, RangeStepTest,
    ::testing::Values(
        // Over 10 V moves to 100 V, where the current is stretched by ten.
        RangeStep{kRange1Radio, "12.500", "3.0000", 2, 12.5, 30.0},
        // Over 10 A moves to 100 A whatever the voltage, unscaled.
        RangeStep{kRange1Radio, "5.0000", "10.500", 3, 5.0, 10.5},
        RangeStep{kRange1Radio, "12.500", "10.500", 3, 12.5, 10.5},
        RangeStep{kRange2Radio, "50.000", "10.500", 3, 50.0, 10.5},
        // 100 A chosen by click falls back to 100 V / 10 A once the voltage is over 10.
        RangeStep{kRange3Radio, "12.000", "2.0000", 2, 12.0, 20.0},
        // Exactly 10 is still in range.
        RangeStep{kRange1Radio, "10.000", "10.000", 1, 10.0, 10.0},
        RangeStep{kRange1Radio, "10.0000001", "9.9", 1, 10.0, 9.9},
        // Never back to 10 V / 10 A by itself.
        RangeStep{kRange2Radio, "5.0000", "1.0000", 2, 5.0, 10.0},
        RangeStep{kRange3Radio, "5.0000", "1.0000", 3, 5.0, 1.0},
        // Non-numeric read-outs are plotted as 0.
        RangeStep{kRange1Radio, "-OVLD-", "-OVLD-", 1, 0.0, 0.0}));

TEST_F(CurvesWindowTest, TickStepsToTheHighRangeEveryTimeItsConditionHolds) {
    show("5.0000", "10.500");
    for (int i = 0; i < 3; ++i) {
        tick();
        EXPECT_EQ(range(), 3);
        // A step re-runs the reset, so a name written meanwhile is replaced again.
        window->chart().writeProperty(chart::kCurrentSeriesSlot, 0);
        window->chart().writeProperty(chart::kSeriesNameSlot, std::string("x"));
    }
    EXPECT_EQ(data().seriesName(0), "x");
    tick();
    EXPECT_EQ(data().seriesName(0), runtime::Gbk("电压"));
}

TEST_F(CurvesWindowTest, CurvesHoldTheLastSamplesInOrder) {
    click(kRange3Radio);
    const int ticks = 75;
    for (int i = 1; i <= ticks; ++i) {
        show(std::to_string(i), std::to_string(i) + ".5");
        tick();
    }
    for (int p = 0; p < 60; ++p) {
        const int sample = ticks - 59 + p;
        ASSERT_DOUBLE_EQ(data().value(0, p), sample) << "point " << p;
        ASSERT_DOUBLE_EQ(data().value(1, p), sample + 0.5) << "point " << p;
    }
}

constexpr int kDataArrived = 1;

// The meter's frame for a voltage and a current, with the most decimals that fit.
std::vector<std::int32_t> frameFor(double volts, double amps) {
    const int voltageDecimals = volts < 10 ? 4 : volts < 100 ? 3 : 2;
    const int currentDecimals = amps < 10 ? 4 : amps < 100 ? 3 : 2;
    std::vector<std::int32_t> frame{0xA0 + (4 - voltageDecimals), 0x07, 0x00, (4 - currentDecimals) * 0x10};
    auto digits = [&frame](double value, int decimals) {
        long scaled = std::lround(value * std::pow(10.0, decimals));
        std::int32_t out[5];
        for (int i = 4; i >= 0; --i, scaled /= 10) out[i] = std::int32_t(scaled % 10);
        frame.insert(frame.end(), out, out + 5);
    };
    digits(volts, voltageDecimals);
    digits(amps, currentDecimals);
    frame.insert(frame.end(), {0x2B, 2, 6, 4});  // +26.4 ℃
    return frame;
}

struct Minute {
    const char* name;
    std::uint32_t radio;
    double volts, voltSwing, amps, ampSwing;
};

// A minute of meter frames and curve ticks, captured as the person at the
// bench sees it.
class CurvesScreenshotTest : public CurvesWindowTest, public ::testing::WithParamInterface<Minute> {
protected:
    CurvesScreenshotTest() { window->show(); }
    void playMinute(const Minute& m) {
        form().raise(m.radio, platform::kClicked);
        for (int s = 0; s < 60; ++s) {
            const double phase = s / 60.0 * 2 * M_PI;
            for (std::int32_t byte : frameFor(m.volts + m.voltSwing * std::sin(phase),
                                              m.amps + m.ampSwing * std::sin(2 * phase + 1.0))) {
                form().raise(kPort, kDataArrived, std::span<const std::int32_t>(&byte, 1));
            }
            form().raise(kCurveTimer, platform::kTimerFired);
        }
        QApplication::processEvents();
    }
    static QString artifact(const char* name) {
        const char* dir = std::getenv("KZRT_ARTIFACTS");
        return dir ? QString::fromUtf8(dir) + "/" + name : QString();
    }
};

TEST_P(CurvesScreenshotTest, AMinuteOfCurves) {
    const Minute& m = GetParam();
    playMinute(m);
    // The range the minute was meant for holds: no step moved it.
    EXPECT_EQ(form().checked(m.radio), 1);
    EXPECT_NEAR(data().value(0, 59), m.volts + m.voltSwing * std::sin(59 / 60.0 * 2 * M_PI), 0.01);
    // The curves' colours and painting are the chart's own test.
    if (!artifact("").isEmpty()) form().window()->grab().toImage().save(artifact(m.name));
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, CurvesScreenshotTest,
    ::testing::Values(Minute{"main-window-range1.png", kRange1Radio, 4.0, 0.6, 1.5, 1.0},
                      Minute{"main-window-range2.png", kRange2Radio, 48.0, 6.0, 6.0, 2.5},
                      Minute{"main-window-range3.png", kRange3Radio, 60.0, 15.0, 40.0, 20.0}));

}  // namespace
