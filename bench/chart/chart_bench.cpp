// One curve tick (the scroll of both series through the cursors) and one full
// paint of the chart at its window size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <cstdlib>

#include "chart/line_chart_unit.h"
#include "platform/fonts.h"

namespace {

using chart::LineChartUnit;
using runtime::Gbk;

constexpr int kPoints = 60;

// The console's chart: title, fonts, two series over a minute of points.
void setUpLivePlot(LineChartUnit& unit) {
    unit.writeProperty(chart::kChartTitleSlot, Gbk("电压0-100V 电流0-10A 实时曲线图"));
    unit.writeProperty(chart::kTitleFontSlot, Gbk("微软雅黑,-14,700"));
    unit.writeProperty(chart::kAxisFontSlot, Gbk("微软雅黑,-12,400"));
    unit.writeProperty(chart::kLegendFontSlot, Gbk("微软雅黑,-12,400"));
    unit.writeProperty(chart::kXAxisCaptionSlot, Gbk("秒"));
    unit.writeProperty(chart::kYAxisCaptionSlot, Gbk("V / A"));
    unit.writeProperty(chart::kDepthSlot, 6);
    unit.writeProperty(chart::kPointCountSlot, kPoints);
    unit.writeProperty(chart::kSeriesCountSlot, 2);
    for (int s = 0; s < 2; ++s) {
        unit.writeProperty(chart::kCurrentSeriesSlot, s);
        unit.writeProperty(chart::kSeriesColorSlot, s == 0 ? 0x0000FF : 0xFF0000);
        unit.writeProperty(chart::kSeriesNameSlot, Gbk(s == 0 ? "电压" : "电流"));
        for (int p = 0; p < kPoints; ++p) {
            unit.writeProperty(chart::kCurrentPointSlot, p);
            unit.writeProperty(chart::kPointValueSlot, 12.0 + 3.0 * std::sin(p / 9.0 + s));
        }
    }
}

// What the curve timer does per tick once the range is settled: every point
// takes its right-hand neighbour's value, the new sample enters on the right.
void curveTick(platform::Unit& unit, const double samples[2]) {
    for (int s = 0; s < 2; ++s) {
        unit.writeProperty(chart::kCurrentSeriesSlot, s);
        const int n = platform::toInt(unit.readProperty(chart::kPointCountSlot));
        double carried = 0.0;
        for (int k = n - 1; k >= 0; --k) {
            unit.writeProperty(chart::kCurrentPointSlot, k);
            const double present = platform::toDouble(unit.readProperty(chart::kPointValueSlot));
            unit.writeProperty(chart::kPointValueSlot, k == n - 1 ? samples[s] : carried);
            carried = present;
        }
    }
}

void BM_CurveTick(benchmark::State& state) {
    LineChartUnit unit;
    unit.resize(680, 235);
    unit.show();
    setUpLivePlot(unit);
    double samples[2] = {12.5, 3.0};
    for (auto _ : state) {
        curveTick(unit, samples);
        samples[0] += 0.01;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CurveTick)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_FullPaint(benchmark::State& state) {
    LineChartUnit unit;
    setUpLivePlot(unit);
    const chart::ChartStyle style = unit.style();
    for (auto _ : state) {
        QImage image = chart::renderChart(unit.model(), style, QSize(680, 235), 1.0, nullptr);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_FullPaint)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    platform::installFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
