// What a page or the command line asks of the look-back, on full days of
// 86,400 rows (one a second) in a real folder:
//   BM_ReadBytesOfDay   reading the day file's bytes: the floor
//   BM_SpanOfDay        the day's rows read, placed in time, cut to the span
//   BM_PlotJsonOfDay    the same, as the chart's JSON columns
//   BM_ExportOfDay      the same, as the tidy CSV
//   BM_SpanAcrossMidnight  the last 12 h of one day and the first 12 h of the next
//   BM_ListSevenDays    a meter's folder of seven full days listed
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "lookback/day_file_list.h"
#include "lookback/export_csv.h"
#include "lookback/plot_json.h"
#include "lookback/plot_series.h"
#include "lookback/span_join.h"
#include "lookback/time_span.h"
#include "meter/recording_row.h"
#include "runtime/conversions.h"
#include "runtime/local_time.h"

namespace {

namespace fs = std::filesystem;

const fs::path& folder() {
    static const fs::path path = [] {
        const fs::path made = fs::temp_directory_path() / "kzrt-lookback-bench";
        fs::create_directories(made);
        for (int day = 10; day <= 16; ++day) {
            const fs::path file = made / meter::recordingFileName(runtime::MakeDateTime(2026, 1, day));
            if (fs::exists(file)) continue;
            // Rows newest first, built back to front.
            std::string body;
            body.reserve(86'400 * 96);
            for (int s = 86'399; s >= 0; --s) {
                const meter::ReadoutTexts row{runtime::NumberToFormattedText(12.6 - s / 86'400.0, 3),
                                              runtime::NumberToFormattedText(1.0 + 0.2 * std::sin(s / 600.0), 4),
                                              "12.000", "12.000", "0.0100", "0.0010", "+25.3"};
                body += meter::recordingRowText(runtime::MakeDateTime(2026, 1, day, 0, 0, s), row);
            }
            std::ofstream(file, std::ios::binary) << meter::recordingHeader() << body << "\r\n";
        }
        return made;
    }();
    return path;
}

lookback::TimeSpan span(const char* from, const char* to) {
    lookback::TimeSpan result;
    lookback::parseTimeSpan(from, to, result);
    return result;
}

lookback::SpanRows dayRows() {
    return lookback::readFolderSpan(folder().string(), span("2026-01-14", "2026-01-14"), runtime::UtcSecondsNow());
}

void BM_ReadBytesOfDay(benchmark::State& state) {
    const fs::path file = folder() / "KZRT2026114.csv";
    for (auto _ : state) {
        std::ifstream in(file, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ReadBytesOfDay)->Unit(benchmark::kMillisecond);

void BM_SpanOfDay(benchmark::State& state) {
    for (auto _ : state) {
        const lookback::SpanRows rows = dayRows();
        if (rows.rows.size() != 86'400) state.SkipWithError("not a whole day");
    }
}
BENCHMARK(BM_SpanOfDay)->Unit(benchmark::kMillisecond);

void BM_PlotJsonOfDay(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) bytes = lookback::plotJson(lookback::plotSeries(dayRows().rows)).size();
    state.counters["json_bytes"] = double(bytes);
}
BENCHMARK(BM_PlotJsonOfDay)->Unit(benchmark::kMillisecond);

void BM_ExportOfDay(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(lookback::exportCsv(dayRows().rows));
}
BENCHMARK(BM_ExportOfDay)->Unit(benchmark::kMillisecond);

void BM_SpanAcrossMidnight(benchmark::State& state) {
    const lookback::TimeSpan night = span("2026-01-14T12:00", "2026-01-15T11:59:59");
    for (auto _ : state) {
        const lookback::SpanRows rows = lookback::readFolderSpan(folder().string(), night, runtime::UtcSecondsNow());
        if (rows.rows.size() != 86'400) state.SkipWithError("not 24 h of rows");
    }
}
BENCHMARK(BM_SpanAcrossMidnight)->Unit(benchmark::kMillisecond);

void BM_ListSevenDays(benchmark::State& state) {
    for (auto _ : state) {
        const auto files = lookback::listDayFiles(folder().string());
        if (files.size() != 7) state.SkipWithError("not seven day files");
    }
}
BENCHMARK(BM_ListSevenDays)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
