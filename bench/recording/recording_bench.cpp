// The cost of one recording tick on the day's file, which grows by one row a
// tick, for the previous design and the log, on the thread that does the work
// (bench_recording_disk paces ticks and measures the disk and the window).
//
//   BM_InsertRow/<rows>   previous design: one row inserted into a day's file
//                         that already holds <rows> rows (86400 = a full day at
//                         one row a second) by rewriting it whole; median and
//                         90th percentile per row as counters
//   BM_LogRow/<rows>      the log: one row appended and synced, and a new
//                         version of the day's file published
//   BM_CopyDayFile/86400  copying that full day's file once: the floor for any
//                         insertion that rewrites the file
//
// After the runs the CPU of a whole simulated day of one-second rows is
// estimated from the per-row CPU measured at increasing file sizes (the cost
// grows linearly with the size, so the trapezoid sum over the sizes is close).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "storage/day_file_session.h"
#include "meter/recording_row.h"
#include "previous_design.h"
#include "runtime/date_time.h"

namespace {

namespace fs = std::filesystem;
using meter::ReadoutTexts;

constexpr int kDayRows = 86'400;
constexpr int kSizeStep = 10'800;  // three hours of rows
// Fixed, so that the file grows by a negligible share of a day while measured.
constexpr int kRowsPerSize = 300;

fs::path benchDirectory() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("kzrt-recording-bench-" + std::to_string(getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

runtime::Text rowAt(int second) {
    static const meter::ReadoutTexts readings{"12.345", "1.2345", "15.240", "10.000", "0.1234", "0.0456", "+25.3"};
    return meter::recordingRowText(runtime::MakeDateTime(2015, 12, 5, 0, 0, second), readings);
}

// A day's file holding the first `rows` seconds of the day, newest first.
fs::path writeDayFile(int rows) {
    const fs::path path = benchDirectory() / "KZRT2015125.csv";
    std::string content = meter::recordingHeader();
    for (int second = rows - 1; second >= 0; --second) content += rowAt(second);
    content += "\r\n";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    return path;
}

void setPercentiles(benchmark::State& state, std::vector<double>& microseconds) {
    if (microseconds.empty()) return;
    std::sort(microseconds.begin(), microseconds.end());
    state.counters["median_us"] = microseconds[microseconds.size() / 2];
    state.counters["p90_us"] = microseconds[microseconds.size() * 9 / 10];
}

void BM_InsertRow(benchmark::State& state) {
    const int rows = int(state.range(0));
    const fs::path path = writeDayFile(rows);
    const runtime::Text row = rowAt(rows);
    std::vector<double> microseconds;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool inserted = bench::previousRecordingTick(path, row);
        microseconds.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        if (!inserted) state.SkipWithError("the row was not inserted");
    }
    state.counters["file_MB"] = double(fs::file_size(path)) / 1e6;
    setPercentiles(state, microseconds);
}
BENCHMARK(BM_InsertRow)->DenseRange(0, kDayRows, kSizeStep)->Iterations(kRowsPerSize)->Unit(benchmark::kMicrosecond);

void BM_LogRow(benchmark::State& state) {
    const int rows = int(state.range(0));
    const fs::path path = writeDayFile(rows);
    const runtime::Text row = rowAt(rows);
    const auto files = storage::NativeFileSystem();
    storage::DayFileSession session(*files, path);
    session.record({row});  // the session's start: the base goes into the log
    std::vector<double> microseconds;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const storage::RecordingStep step = session.record({row});
        microseconds.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        if (step != storage::RecordingStep::RowInserted) state.SkipWithError("the row was not recorded");
    }
    state.counters["file_MB"] = double(fs::file_size(path)) / 1e6;
    setPercentiles(state, microseconds);
    session.finish();
}
BENCHMARK(BM_LogRow)->DenseRange(0, kDayRows, kSizeStep)->Iterations(kRowsPerSize)->Unit(benchmark::kMicrosecond);

void BM_CopyDayFile(benchmark::State& state) {
    const fs::path path = writeDayFile(int(state.range(0)));
    const fs::path copy = benchDirectory() / "copy.csv";
    std::vector<double> microseconds;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        fs::copy_file(path, copy, fs::copy_options::overwrite_existing);
        microseconds.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    setPercentiles(state, microseconds);
}
BENCHMARK(BM_CopyDayFile)->Arg(kDayRows)->Iterations(kRowsPerSize)->Unit(benchmark::kMicrosecond);

// Keeps the per-row CPU of every BM_InsertRow size for the day's estimate.
class DayEstimate : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.benchmark_name();
            if (run.error_occurred || run.run_type != Run::RT_Iteration || name.rfind("BM_InsertRow/", 0) != 0) {
                continue;
            }
            const int rows = std::stoi(name.substr(name.find('/') + 1));
            m_cpuSecondsPerRow[rows] = run.cpu_accumulated_time / double(run.iterations);
        }
    }
    void print() const {
        if (m_cpuSecondsPerRow.size() < 2) return;
        double seconds = 0.0;  // trapezoid sum: each row costs what its file size costs
        for (auto it = m_cpuSecondsPerRow.begin(), next = std::next(it); next != m_cpuSecondsPerRow.end();
             ++it, ++next) {
            seconds += (it->second + next->second) / 2.0 * double(next->first - it->first);
        }
        std::printf("\nCPU of a simulated day of %d one-second rows: %.1f s (%.2f %% of one core)\n",
                    m_cpuSecondsPerRow.rbegin()->first, seconds, seconds / 864.0);
    }

private:
    std::map<int, double> m_cpuSecondsPerRow;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    DayEstimate reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print();
    benchmark::Shutdown();
    fs::remove_all(benchDirectory());
    return 0;
}
