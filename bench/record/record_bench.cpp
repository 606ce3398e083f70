// kzrt-record's load and its look-back times, with the console as baseline:
//   - the console's whole-program CPU for one meter (program_cpu_bench, run
//     as a child in this run), then kzrt-record's whole-process CPU with 1
//     and 4 meters, each a simulator streaming back to back at 115200 baud,
//     and with 4 meters publishing MQTT and /metrics scraped every second;
//   - export, PNG plot and SVG plot of a generated 86,400-row day file.
//
//   record_bench [seconds]     (default 10 s per measurement)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/child_process.h"
#include "bench/process_cpu.h"
#include "meter/recording_row.h"
#ifdef KZRT_BENCH_OUTPUTS
#include "tests/publish/local_programs.h"
#endif
#include "runtime/conversions.h"
#include "runtime/date_time.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using bench::spawn;
using bench::stop;

// kzrt-record's CPU share with `meters` simulators streaming at 115200 baud,
// with `extra` options after the usual ones.
void recorderCpu(const fs::path& root, int meters, int seconds, const std::vector<std::string>& extra = {},
                 const char* what = "") {
    std::vector<std::string> arguments = {KZRT_RECORD, "--baud", "115200", "--dir", (root / "rows").string()};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const std::vector<pid_t> simulators = bench::spawnSimulatedMeters(KZRT_METER_SIM, root, meters, arguments);
    const pid_t recorder = spawn(root, arguments);
    std::this_thread::sleep_for(std::chrono::seconds(1));  // warm-up: ports open, first files
    const double before = bench::processCpuSeconds(recorder);
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = bench::processCpuSeconds(recorder) - before;
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    stop(recorder);
    for (pid_t simulator : simulators) stop(simulator);
    std::printf("kzrt-record, %d meter(s) at 115200 baud%s: CPU %.3f s over %.2f s = %.2f %% of one core\n", meters,
                what, cpu, wall, 100.0 * cpu / wall);
}

#ifdef KZRT_BENCH_OUTPUTS
// The same 4 meters publishing each row to a real mosquitto broker, with
// /metrics scraped every second from this process, as Prometheus would.
void recorderCpuWithOutputs(const fs::path& root, int seconds) {
    publish::testing::Broker broker;
    if (!broker.start()) {
        std::printf("kzrt-record with outputs: no mosquitto broker could start\n");
        return;
    }
    const int metricsPort = publish::testing::freePort();
    std::atomic<bool> scraping{true};
    std::atomic<int> scrapes{0};
    std::thread scraper([&] {
        while (scraping) {
            if (!publish::testing::httpGet(metricsPort).empty()) ++scrapes;
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    });
    publish::testing::Subscriber subscriber(broker.port(), {"kzrt/+/state"});
    recorderCpu(root, 4, seconds,
                {"--mqtt", "mqtt://127.0.0.1:" + std::to_string(broker.port()), "--metrics", std::to_string(metricsPort)},
                ", publishing MQTT, /metrics scraped every second");
    scraping = false;
    scraper.join();
    std::printf("  states received by a subscriber: %zu; scrapes answered: %d\n", subscriber.lines().size(),
                scrapes.load());
}
#endif

void consoleCpu(int seconds) {
    std::printf("console baseline (program_cpu_bench %d):\n", seconds);
    std::fflush(stdout);
    const pid_t pid = spawn(fs::current_path(), {KZRT_PROGRAM_CPU_BENCH, std::to_string(seconds)}, false);
    waitpid(pid, nullptr, 0);
}

// A whole day at one row a second, written as the recording writes it.
void writeDayFile(const fs::path& path) {
    std::string body;
    body.reserve(86'400 * 100);
    std::vector<std::string> rows;
    rows.reserve(86'400);
    for (int s = 0; s < 86'400; ++s) {
        const runtime::DateTime when = runtime::MakeDateTime(2026, 12, 7, s / 3600, s / 60 % 60, s % 60);
        const double volts = 13.0 - s / 43'200.0;
        const bool away = s % 7200 < 60;  // a minute away every two hours
        meter::ReadoutTexts texts{runtime::NumberToFormattedText(volts, 3), "0.6000",
                                    runtime::NumberToFormattedText(volts * 0.6, 4), "21.667",
                                    runtime::NumberToFormattedText(s * volts * 0.6 / 3600, 3), "1.0000", "+25.3"};
        if (away) texts.voltage = texts.current = texts.power = texts.resistance = "0";
        rows.push_back(meter::recordingRowText(when, texts));
    }
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) body += *row;
    std::ofstream(path, std::ios::binary) << meter::recordingHeader() << body << "\r\n";
}

void timeCommand(const fs::path& root, const char* what, std::vector<std::string> arguments) {
    const auto start = Clock::now();
    int status = 0;
    waitpid(spawn(root, std::move(arguments)), &status, 0);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%s of 86,400 rows: %.3f s (exit %d)\n", what, wall, WEXITSTATUS(status));
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    char pattern[] = "/tmp/kzrt-record-bench-XXXXXX";
    const fs::path root = mkdtemp(pattern);
    consoleCpu(seconds);
    recorderCpu(root / "one", 1, seconds);
    recorderCpu(root / "four", 4, seconds);
#ifdef KZRT_BENCH_OUTPUTS
    recorderCpuWithOutputs(root / "four-published", seconds);
#endif

    const fs::path day = root / "KZRT2026127.csv";
    writeDayFile(day);
    std::printf("day file: %.1f MB\n", double(fs::file_size(day)) / 1e6);
    timeCommand(root, "export", {KZRT_RECORD, "export", day.string(), "-o", (root / "day.csv").string()});
    timeCommand(root, "plot PNG", {KZRT_RECORD, "plot", day.string(), "-o", (root / "day.png").string()});
    timeCommand(root, "plot SVG", {KZRT_RECORD, "plot", day.string(), "-o", (root / "day.svg").string()});
    fs::remove_all(root);
    return 0;
}
