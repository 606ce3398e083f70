#include "console/realtime_curves.h"

#include "chart/chart_properties.h"
#include "chart/line_chart_unit.h"
#include "console/control_ids.h"
#include "runtime/conversions.h"

namespace console {

namespace {

// Above 10 means more than 10 plus a rounding hair: exactly 10.0 stays in range.
constexpr float kRangeLimit = 10.0f;
constexpr double kRangeTolerance = 1e-7;

bool aboveRangeLimit(float value) { return double(value) - double(kRangeLimit) > kRangeTolerance; }

CurveTables initialCurveTables() {
    CurveTables tables;
    tables.colours = {0x0000FF, 0xFF0000};  // voltage red, current blue
    tables.names = {runtime::Gbk("电压"), runtime::Gbk("电流")};
    tables.latestSamples = {0.0f, 0.0f};
    return tables;
}

void write(Console& console, int slot, const platform::PropertyValue& value) {
    console.chart.writeProperty(slot, value);
}

// Each point takes its right-hand neighbour's value and the newest sample
// enters at the right end. Walking from the right keeps the value about to be
// overwritten in hand, so every value moves unchanged.
void scrollAndAppend(Console& console, int series, double sample) {
    write(console, chart::kCurrentSeriesSlot, series);
    const int points = platform::toInt(console.chart.readProperty(chart::kPointCountSlot));
    double carried = sample;
    for (int k = points - 1; k >= 0; --k) {
        write(console, chart::kCurrentPointSlot, k);
        const double present = platform::toDouble(console.chart.readProperty(chart::kPointValueSlot));
        write(console, chart::kPointValueSlot, carried);
        carried = present;
    }
}

}  // namespace

void resetCurves(Console& console) {
    CurveTables& tables = console.values.curves;
    tables = initialCurveTables();
    write(console, chart::kSeriesCountSlot, 2);
    for (int i = 0; i < 2; ++i) {
        write(console, chart::kCurrentSeriesSlot, i);
        write(console, chart::kSeriesColorSlot, std::int32_t(tables.colours[i]));
        write(console, chart::kSeriesNameSlot, tables.names[i]);
    }
}

void selectRange(Console& console, int range) {
    platform::Form& form = console.form;
    form.setChecked(kRange1Radio, range == 1 ? 1 : 0);
    form.setChecked(kRange2Radio, range == 2 ? 1 : 0);
    form.setChecked(kRange3Radio, range == 3 ? 1 : 0);
    write(console, chart::kMaxValueSlot, range == 1 ? 10 : 100);
    write(console, chart::kGridDivisionsSlot, 10);
    resetCurves(console);
}

void onCurveTick(Console& console) {
    platform::Form& form = console.form;
    // Upwards only: a value that left the scale moves the curves to a larger
    // one; going back to 10 V / 10 A is the user's click.
    // A range selection leaves the read-outs alone, so both values are read
    // once and serve the step and the samples alike.
    const float voltage = runtime::ToFloat(form.text(kVoltageReadout));
    const float current = runtime::ToFloat(form.text(kCurrentReadout));
    if (aboveRangeLimit(voltage)) selectRange(console, aboveRangeLimit(current) ? 3 : 2);
    if (aboveRangeLimit(current)) selectRange(console, 3);

    // In 100 V / 10 A the current's 0..10 A is stretched over the voltage's 0..100 scale.
    const bool stretchCurrent = form.checked(kRange2Radio) != 0 && form.checked(kRange3Radio) == 0;
    CurveTables& tables = console.values.curves;
    tables.latestSamples = {voltage, stretchCurrent ? current * 10.0f : current};

    for (int i = 0; i < 2; ++i) scrollAndAppend(console, i, tables.latestSamples[i]);
}

void applyStoredChartSettings(chart::LineChartUnit& chart) {
    using namespace chart;
    const runtime::Text axisFont = runtime::Gbk("微软雅黑,-12,400");
    chart.writeProperty(kBackColourSlot, std::int32_t(0xFFFFFF));
    chart.writeProperty(kChartTitleSlot, runtime::Gbk("电压0-100V 电流0-10A 实时曲线图"));
    chart.writeProperty(kTitleFontSlot, runtime::Gbk("微软雅黑,-14,700"));
    chart.writeProperty(kXAxisCaptionSlot, runtime::Gbk("秒"));
    chart.writeProperty(kYAxisCaptionSlot, runtime::Gbk("V / A"));
    chart.writeProperty(kAxisFontSlot, axisFont);
    chart.writeProperty(kLegendFontSlot, axisFont);
    chart.writeProperty(kDepthSlot, 4);
    chart.writeProperty(kTipTemplateSlot, runtime::Gbk("${v}"));
    chart.writeProperty(kCurrentSeriesSlot, 0);
    chart.writeProperty(kSeriesNameSlot, runtime::Gbk("当前电压"));

    // One minute at one point a second; the axis counts seconds back from
    // now, labelled every ten so the labels do not crowd the narrow chart.
    constexpr int kPoints = 60;
    chart.writeProperty(kPointCountSlot, kPoints);
    for (int p = 0; p < kPoints; ++p) {
        const int secondsAgo = p - (kPoints - 1);
        chart.writeProperty(kCurrentPointSlot, p);
        chart.writeProperty(kPointLabelSlot, secondsAgo % 10 == 0 ? runtime::ToText(secondsAgo) : runtime::Text());
        // The stored curve is a flat zero line, not the unit's sample value.
        chart.writeProperty(kPointValueSlot, 0.0);
    }
    chart.writeProperty(kCurrentPointSlot, 0);
}

}  // namespace console
