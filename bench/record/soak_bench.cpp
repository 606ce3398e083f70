// kzrt-record's memory over a long run: 4 meters at 115200 baud publishing
// MQTT to a real broker, /metrics scraped every (recorder) second, across a
// midnight. The recorder runs under libfaketime, so a day can be compressed:
// its clock starts at START and runs SPEED times as fast as the wall clock
// (its timers too), while the simulators stream in real time.
//
//   soak_bench [real-minutes] [speed] [start] [recorder]
//   (default: 16 minutes at 96x from 2026-12-07 00:00:30, so one whole day
//    and 96 minutes of the next, with this build's kzrt-record; another
//    build's, an earlier version say, can be named as the baseline)
//
// Printed: the resident size and open files at each sample, and the figures
// that matter: after the first minutes, just before midnight, after midnight,
// at the end, with the rows written and the bytes of memory per row.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/child_process.h"
#include "tests/publish/local_programs.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

long statusKb(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    }
    return -1;
}

long openFiles(pid_t pid) {
    std::error_code error;
    long count = 0;
    for (auto it = fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error);
         !error && it != fs::directory_iterator(); ++it) {
        ++count;
    }
    return count;
}

// Rows in the day files so far (lines below each file's header), in every
// meter's folder.
long rowsWritten(const fs::path& folder) {
    long rows = 0;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("KZRT", 0) != 0 || entry.path().extension() != ".csv") continue;
        std::ifstream file(entry.path(), std::ios::binary);
        std::string line;
        long lines = 0;
        while (std::getline(file, line)) lines += line.size() > 2 ? 1 : 0;
        rows += std::max(0L, lines - 1);
    }
    return rows;
}

std::time_t parseLocal(const char* text) {
    std::tm tm{};
    if (!strptime(text, "%Y-%m-%d %H:%M:%S", &tm)) return -1;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::string localText(std::time_t t) {
    char text[32];
    std::strftime(text, sizeof text, "%m-%d %H:%M:%S", std::localtime(&t));
    return text;
}

struct Sample {
    double realSeconds;
    std::time_t faked;
    long rssKb;
    long files;
};

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 16.0;
    const double speed = argc > 2 ? std::atof(argv[2]) : 96.0;
    const char* startText = argc > 3 ? argv[3] : "2026-12-07 00:00:30";
    const std::string recorderProgram = argc > 4 ? argv[4] : KZRT_RECORD;
    const std::time_t start = parseLocal(startText);
    if (start < 0 || speed <= 0 || minutes <= 0) {
        std::fprintf(stderr, "usage: soak_bench [real-minutes] [speed] [\"YYYY-MM-DD HH:MM:SS\"]\n");
        return 2;
    }
    char pattern[] = "/tmp/kzrt-soak-XXXXXX";
    const fs::path root = mkdtemp(pattern);
    fs::create_directories(root / "rows");

    publish::testing::Broker broker;
    if (!broker.start()) {
        std::printf("no mosquitto broker could start\n");
        return 1;
    }
    const int metricsPort = publish::testing::freePort();
    std::vector<std::string> arguments = {recorderProgram, "--baud", "115200", "--dir", (root / "rows").string(),
                                          "--mqtt", "mqtt://127.0.0.1:" + std::to_string(broker.port()),
                                          "--metrics", std::to_string(metricsPort)};
    const std::vector<pid_t> simulators = bench::spawnSimulatedMeters(KZRT_METER_SIM, root, 4, arguments);
    char speedText[32];
    std::snprintf(speedText, sizeof speedText, "%g", speed);
    const pid_t recorder = bench::spawn(root, arguments, true,
                                 {"LD_PRELOAD=" KZRT_LIBFAKETIME, std::string("FAKETIME=@") + startText + " x" + speedText,
                                  "FAKETIME_DONT_RESET=1", "FAKETIME_NO_CACHE=1"});
    const auto began = Clock::now();

    std::atomic<bool> scraping{true};
    std::atomic<long> scrapes{0};
    std::thread scraper([&] {
        const auto period = std::chrono::duration<double>(1.0 / speed);
        while (scraping) {
            if (!publish::testing::httpGet(metricsPort).empty()) ++scrapes;
            std::this_thread::sleep_for(period);
        }
    });

    std::printf("soak: %s, 4 meters, MQTT + /metrics, %g real minutes at %gx from %s (pid %d)\n",
                recorderProgram.c_str(), minutes, speed, startText, int(recorder));
    std::printf("%10s %16s %10s %6s\n", "real s", "recorder clock", "RSS MB", "files");
    std::vector<Sample> samples;
    const double total = minutes * 60.0;
    for (double next = 5.0; next <= total; next += 5.0) {
        std::this_thread::sleep_until(began + std::chrono::duration_cast<Clock::duration>(
                                                  std::chrono::duration<double>(next)));
        if (waitpid(recorder, nullptr, WNOHANG) == recorder) {
            std::printf("the recorder ended early\n");
            return 1;
        }
        const Sample s{next, start + std::time_t(next * speed), statusKb(recorder, "VmRSS"), openFiles(recorder)};
        samples.push_back(s);
        if (int(next) % 30 == 0) {
            std::printf("%10.0f %16s %10.1f %6ld\n", s.realSeconds, localText(s.faked).c_str(), s.rssKb / 1024.0,
                        s.files);
            std::fflush(stdout);
        }
    }
    const long rows = rowsWritten(root / "rows");
    scraping = false;
    scraper.join();
    kill(recorder, SIGTERM);
    int status = 0;
    waitpid(recorder, &status, 0);
    for (pid_t simulator : simulators) bench::stop(simulator);

    // The figures: the first sample a real minute in (ports open, buffers and
    // connections settled), the last before
    // and the first a few recorder-minutes after each midnight, the end.
    auto report = [](const char* what, const Sample& s) {
        std::printf("  %-28s %s  RSS %.1f MB, %ld open files\n", what, localText(s.faked).c_str(), s.rssKb / 1024.0,
                    s.files);
    };
    std::printf("figures:\n");
    const Sample* early = nullptr;
    for (const Sample& s : samples) {
        if (s.realSeconds >= 60) {
            early = &s;
            break;
        }
    }
    if (early) report("after the first minutes", *early);
    for (std::size_t i = 1; i < samples.size(); ++i) {
        const std::tm before = *std::localtime(&samples[i - 1].faked);
        const std::tm after = *std::localtime(&samples[i].faked);
        if (before.tm_mday == after.tm_mday) continue;
        report("just before midnight", samples[i - 1]);
        for (std::size_t j = i; j < samples.size(); ++j) {
            if (samples[j].faked >= samples[i].faked + 600) {
                report("10 minutes after midnight", samples[j]);
                break;
            }
        }
    }
    if (!samples.empty()) report("at the end", samples.back());
    if (early && !samples.empty()) {
        std::printf("  rows written %ld, scrapes %ld; growth from the first minutes to the end: %.1f MB\n", rows,
                    scrapes.load(), (samples.back().rssKb - early->rssKb) / 1024.0);
    }
    std::printf("  recorder exit status %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    fs::remove_all(root);
    return 0;
}
