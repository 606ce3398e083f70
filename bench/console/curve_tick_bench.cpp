// One tick of the curve timer in the real window (offscreen): the range check,
// the latest samples and 2 x 60 reads and writes through the chart's cursors,
// plus the one coalesced repaint it causes at the chart's window size.
#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <filesystem>

#include "chart/chart_painter.h"
#include "chart/line_chart_unit.h"
#include "console/control_ids.h"
#include "console/main_window.h"
#include "runtime/conversions.h"
#include "runtime/program_paths.h"

namespace {

struct Window {
    Window() {
        std::filesystem::current_path(directory.path().toStdString());
        runtime::SetModulePath(directory.filePath("kzrt-console").toStdString());
        window.start();
        window.show();
        QApplication::processEvents();
    }
    QTemporaryDir directory;
    console::MainWindow window;
};

Window& window() {
    static Window instance;
    return instance;
}

void BM_CurveTick(benchmark::State& state) {
    console::MainWindow& w = window().window;
    w.form().raise(console::kRange2Radio, platform::kClicked);
    int n = 0;
    for (auto _ : state) {
        // Changing values, inside range 2, so no step resets the curves.
        w.form().setText(console::kVoltageReadout, runtime::ToText(std::int32_t(20 + n % 50)));
        w.form().setText(console::kCurrentReadout, runtime::ToText(std::int32_t(n % 9)));
        w.form().raise(console::kCurveTimer, platform::kTimerFired);
        ++n;
    }
    if (w.chart().model().data().value(0, 59) != 20 + (n - 1) % 50) state.SkipWithError("no point appended");
}
BENCHMARK(BM_CurveTick)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_ChartPaintAtWindowSize(benchmark::State& state) {
    chart::LineChartUnit& c = window().window.chart();
    for (auto _ : state) {
        QImage image = chart::renderChart(c.model(), c.style(), c.size(), 1.0, nullptr);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["width"] = c.width();
    state.counters["height"] = c.height();
}
BENCHMARK(BM_ChartPaintAtWindowSize)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
