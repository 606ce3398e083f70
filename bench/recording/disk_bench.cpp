// The recording on a real disk, paced like the window's timer: one tick per
// interval for a while, against a day's file of 0, 10,000, 43,200 and 86,400
// rows, for the previous design (the whole file rewritten on the window thread
// every tick) and the log (a synced append and a published version on the
// recording's own thread), one after the other in the same run.
//
//   bench_recording_disk [--dir DIR] [--device loopN] [--seconds S]
//                        [--interval-ms MS] [--rows 0,10000,43200,86400]
//                        [--designs previous,log]
//
// Per size and design it prints the bytes written per second (the block
// device's counter when --device names the device under DIR, else this
// process's own written-minus-cancelled bytes), the time the window thread
// spends in a tick (median, max, ticks over 100 ms), rows late (not written
// when the next tick comes) and the longest lag from a tick to its row's
// published version, rows lost (ticks the window missed, or rows not in
// the file at the end), and for the log its start (the base copied into the
// log) and its fold (the day's file synced at the session's end).
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "storage/day_file_session.h"
#include "meter/recording_row.h"
#include "storage/recording_thread.h"
#include "previous_design.h"
#include "runtime/date_time.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
    fs::path dir = fs::temp_directory_path() / ("kzrt-recording-disk-" + std::to_string(getpid()));
    std::string device;
    double seconds = 60;
    int intervalMs = 1000;
    std::vector<int> rows{0, 10'000, 43'200, 86'400};
    bool previous = true;  // --designs log leaves the previous design out
};

runtime::Text rowAt(int second) {
    static const meter::ReadoutTexts readings{"12.345", "1.2345", "15.240", "10.000", "0.1234", "0.0456", "+25.3"};
    return meter::recordingRowText(runtime::MakeDateTime(2015, 12, 5, 0, 0, 0) + second / 86400.0, readings);
}

// Bytes written so far: the device's sectors, or this process's net bytes.
std::int64_t bytesWritten(const Options& options) {
    if (!options.device.empty()) {
        std::ifstream stat("/sys/block/" + options.device + "/stat");
        std::int64_t field = 0, sectors = 0;
        for (int i = 0; i < 7 && stat >> field; ++i) sectors = field;
        return sectors * 512;
    }
    std::ifstream io("/proc/self/io");
    std::string key;
    std::int64_t value = 0, written = 0, cancelled = 0;
    while (io >> key >> value) {
        if (key == "write_bytes:") written = value;
        if (key == "cancelled_write_bytes:") cancelled = value;
    }
    return written - cancelled;
}

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Figures {
    std::vector<double> tickMs;
    long late = 0, lost = 0, ticks = 0;
    double maxLagMs = 0;  // longest time from handing a row over to its version being published
    double megabytesPerSecond = 0, startS = 0, foldS = 0, startMB = 0, foldMB = 0;
};

fs::path prepare(const Options& options, int rows) {
    fs::remove_all(options.dir / "day");
    fs::create_directories(options.dir / "day");
    const fs::path dayFile = options.dir / "day" / "KZRT2015125.csv";
    if (rows > 0) {
        std::vector<runtime::Text> texts;
        for (int second = 0; second < rows; ++second) texts.push_back(rowAt(second));
        std::ofstream(dayFile, std::ios::binary) << storage::dayFileView("", texts);
    }
#ifndef _WIN32
    ::sync();  // what preparing wrote is not the tick's
#endif
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return dayFile;
}

// Runs ticks on a fixed schedule; a tick that overruns the next one's time
// makes the window's timer skip ticks, which lose their rows.
template <typename Tick>
void paceTicks(const Options& options, int firstSecond, Figures& figures, Tick tick) {
    const auto interval = std::chrono::milliseconds(options.intervalMs);
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.seconds));
    auto next = start;
    const std::int64_t before = bytesWritten(options);
    for (int second = firstSecond; next < end; ++second) {
        std::this_thread::sleep_until(next);
        const auto began = Clock::now();
        tick(rowAt(second));
        const auto took = Clock::now() - began;
        figures.tickMs.push_back(ms(took));
        ++figures.ticks;
        next += interval;
        while (Clock::now() > next) {  // missed
            next += interval;
            ++figures.lost;
        }
    }
    figures.megabytesPerSecond = double(bytesWritten(options) - before) / 1e6 / std::chrono::duration<double>(Clock::now() - start).count();
}

Figures runPrevious(const Options& options, int rows) {
    const fs::path dayFile = prepare(options, rows);
    Figures figures;
    bool failed = false;
    paceTicks(options, rows, figures, [&](const runtime::Text& row) {
        failed = !bench::previousRecordingTick(dayFile, row) || failed;
    });
    if (failed) figures.lost = -1;
    return figures;
}

Figures runLog(const Options& options, int rows) {
    const fs::path dayFile = prepare(options, rows);
    Figures figures;
    std::atomic<long> published{0};
    std::atomic<bool> failed{false};
    std::mutex handedMutex;
    std::vector<Clock::time_point> handedAt;
    auto writer = std::make_unique<storage::RecordingThread>(
        storage::NativeFileSystem(), [&](storage::RecordingThread::Report report) {
            {
                const std::lock_guard lock(handedMutex);
                const auto now = Clock::now();
                for (long row = published; row < published + long(report.rows) && row < long(handedAt.size()); ++row) {
                    figures.maxLagMs = std::max(figures.maxLagMs, ms(now - handedAt[std::size_t(row)]));
                }
            }
            published += long(report.rows);
            if (report.step != storage::RecordingStep::RowInserted && report.step != storage::RecordingStep::FileCreated &&
                report.step != storage::RecordingStep::SessionEnded) {
                failed = true;
            }
        });
    // The session's start: the file as it is becomes the log's base.
    std::int64_t bytes = bytesWritten(options);
    auto began = Clock::now();
    {
        const std::lock_guard lock(handedMutex);
        handedAt.push_back(Clock::now());
    }
    writer->record(dayFile, rowAt(rows));
    writer->waitUntilIdle();
    figures.maxLagMs = 0;  // the start is reported on its own
    figures.startS = ms(Clock::now() - began) / 1000;
    figures.startMB = double(bytesWritten(options) - bytes) / 1e6;
    long handed = 1;
    paceTicks(options, rows + 1, figures, [&](const runtime::Text& row) {
        if (published < handed) ++figures.late;
        {
            const std::lock_guard lock(handedMutex);
            handedAt.push_back(Clock::now());
        }
        writer->record(dayFile, row);
        ++handed;
    });
    writer->waitUntilIdle();
    bytes = bytesWritten(options);
    began = Clock::now();
    writer.reset();  // the fold: the day's file synced, the log removed
    figures.foldS = ms(Clock::now() - began) / 1000;
    figures.foldMB = double(bytesWritten(options) - bytes) / 1e6;
    std::ifstream in(dayFile, std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(in), {}};
    const long expected = (rows == 0 ? 0 : rows + 1) + handed - 1;  // creation drops the first row
    const long inFile = long(std::count(content.begin(), content.end(), '\n')) - 1;
    figures.lost += expected - inFile + (failed ? 1 : 0);
    return figures;
}

void print(const char* design, int rows, Figures f) {
    std::sort(f.tickMs.begin(), f.tickMs.end());
    const double median = f.tickMs.empty() ? 0 : f.tickMs[f.tickMs.size() / 2];
    const double max = f.tickMs.empty() ? 0 : f.tickMs.back();
    const long over100 = long(std::count_if(f.tickMs.begin(), f.tickMs.end(), [](double t) { return t > 100; }));
    std::printf("%-8s %6d rows  %8.3f MB/s  tick %7.3f / %8.3f ms  >100ms %3ld  late %3ld  lost %3ld  of %4ld",
                design, rows, f.megabytesPerSecond, median, max, over100, f.late, f.lost, f.ticks);
    if (f.startS > 0 || f.foldS > 0) {
        std::printf("  lag max %.0f ms  start %.2f s %.1f MB  fold %.2f s %.1f MB", f.maxLagMs, f.startS, f.startMB,
                    f.foldS, f.foldMB);
    }
    std::printf("\n");
    std::fflush(stdout);
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--dir") options.dir = value;
        if (key == "--device") options.device = value;
        if (key == "--seconds") options.seconds = std::stod(value);
        if (key == "--interval-ms") options.intervalMs = std::stoi(value);
        if (key == "--designs") options.previous = value.find("previous") != std::string::npos;
        if (key == "--rows") {
            options.rows.clear();
            std::stringstream list(value);
            for (std::string item; std::getline(list, item, ',');) options.rows.push_back(std::stoi(item));
        }
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    std::printf("%s, %.0f s per run, one tick per %d ms, bytes from %s\n", options.dir.c_str(), options.seconds,
                options.intervalMs, options.device.empty() ? "/proc/self/io" : ("/sys/block/" + options.device + "/stat").c_str());
    for (const int rows : options.rows) {
        if (options.previous) print("previous", rows, runPrevious(options, rows));
        print("log", rows, runLog(options, rows));
    }
    fs::remove_all(options.dir / "day");
    return 0;
}
