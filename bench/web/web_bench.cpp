// The web page's cost and speed, each figure beside its baseline in the same run:
//   - kzrt-record's CPU with 4 meters streaming back to back at 115200 baud
//     and --web, first with no page, then with 5 clients on the live stream
//     (each loads /live.json, then reads every event), in one recorder run;
//   - row to event: from a row's hand-over to its day file's writer to the
//     event's arrival, at those clients and in headless chromium's page;
//   - a whole day (86,400 rows per meter, 4 meters) served as the page's
//     data (/live.json), and drawn by the page (its own performance.now()).
//
//   web_bench [seconds]     (default 15 s per measurement)
// The machine's load average is printed first: the figures are wall-clock.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QJsonArray>

#include "bench/child_process.h"
#include "bench/process_cpu.h"
#include "tests/publish/local_programs.h"
#include "tests/web/browser.h"
#include "tests/web/raw_client.h"
#include "web/web_server.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double nowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch()).count();
}

struct Spread {
    double median = 0, p95 = 0;
    std::size_t count = 0;
};
Spread spread(std::vector<double> values) {
    Spread s;
    s.count = values.size();
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    s.median = values[values.size() / 2];
    s.p95 = values[std::min(values.size() - 1, values.size() * 95 / 100)];
    return s;
}

// A page's share of the server: loads the state, then reads every event and
// notes how long each took since its row was handed over.
class StreamReader {
public:
    explicit StreamReader(int port) : m_port(port) { m_thread = std::thread([this] { run(); }); }
    ~StreamReader() {
        m_running = false;
        m_thread.join();
    }
    std::vector<double> delays() {
        std::lock_guard lock(m_mutex);

        return m_delays;
    }

private:
    void run() {
        web::testing::get(m_port, "/live.json");
        web::testing::RawClient client;
        client.connect(m_port);
        client.send("GET /events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        std::size_t seen = 0;  // up to the end of the last whole event
        std::size_t read = 0;
        static const std::regex at("\"at\":([0-9]+)");
        while (m_running) {
            client.readUntil([&](const std::string& got) { return got.size() > read; }, std::chrono::milliseconds(200));
            const double arrived = nowMs();
            const std::string& got = client.received();
            read = got.size();
            const std::size_t end = got.rfind("\n\n");
            if (end == std::string::npos || end + 2 <= seen) continue;
            const std::string fresh = got.substr(seen, end + 2 - seen);
            seen = end + 2;
            std::lock_guard lock(m_mutex);
            for (std::sregex_iterator it(fresh.begin(), fresh.end(), at), stop; it != stop; ++it) {
                m_delays.push_back(arrived - std::stod((*it)[1].str()));
            }
        }
    }
    int m_port;
    std::atomic<bool> m_running{true};
    std::mutex m_mutex;
    std::vector<double> m_delays;
    std::thread m_thread;
};

double cpuShare(pid_t pid, int seconds) {
    const double before = bench::processCpuSeconds(pid);
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    return 100.0 * (bench::processCpuSeconds(pid) - before) / wall;
}

void recorderWithPages(const fs::path& root, int seconds) {
    const int port = publish::testing::freePort();
    std::vector<std::string> arguments = {KZRT_RECORD, "--baud", "115200", "--dir", (root / "rows").string(), "--web",
                                          std::to_string(port)};
    const std::vector<pid_t> simulators = bench::spawnSimulatedMeters(KZRT_METER_SIM, root, 4, arguments);
    const pid_t recorder = bench::spawn(root, arguments);
    std::this_thread::sleep_for(std::chrono::seconds(2));  // warm-up: ports open, first files
    const double alone = cpuShare(recorder, seconds);
    std::vector<double> delays;
    double withPages = 0;
    {
        std::vector<std::unique_ptr<StreamReader>> pages;
        for (int i = 0; i < 5; ++i) pages.push_back(std::make_unique<StreamReader>(port));
        std::this_thread::sleep_for(std::chrono::seconds(1));
        withPages = cpuShare(recorder, seconds);
        for (auto& page : pages) {
            const auto d = page->delays();
            delays.insert(delays.end(), d.begin(), d.end());
        }
    }
    std::printf("kzrt-record, 4 meters at 115200 baud, --web, no page:      CPU %.2f %% of one core\n", alone);
    std::printf("kzrt-record, 4 meters at 115200 baud, --web, 5 streaming:  CPU %.2f %% of one core (+%.2f)\n",
                withPages, withPages - alone);
    const Spread raw = spread(delays);
    std::printf("row to event at the 5 stream clients: median %.1f ms, 95th percentile %.1f ms (%zu events)\n",
                raw.median, raw.p95, raw.count);

    web::testing::Browser browser;
    if (!browser.ready() || !browser.open(QStringLiteral("http://127.0.0.1:%1/").arg(port))) {
        std::printf("row to event in chromium: no browser (%s)\n", qPrintable(browser.lastError()));
    } else {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        std::vector<double> pageDelays;
        for (const QJsonValue& v : browser.evaluate("page.delays").toArray()) pageDelays.push_back(v.toDouble());
        const Spread seen = spread(pageDelays);
        std::printf("row to event in headless chromium's page: median %.1f ms, 95th percentile %.1f ms (%zu events)\n",
                    seen.median, seen.p95, seen.count);
    }
    bench::stop(recorder);
    for (pid_t simulator : simulators) bench::stop(simulator);
}

// A day of rows for 4 meters in the feed, as a recorder running for a day has it.
void dayOfPlotData() {
    std::vector<web::MeterInfo> meters;
    for (int i = 0; i < 4; ++i) meters.push_back({"meter" + std::to_string(i), 3.0, 10});
    web::LiveFeed feed(meters);
    const std::int64_t start = QDateTime::currentMSecsSinceEpoch() - 86'400'000;
    for (int s = 0; s < 86'400; ++s) {
        for (int m = 0; m < 4; ++m) {
            web::WebTick tick;
            tick.meter.time = QDateTime::fromMSecsSinceEpoch(start + std::int64_t(s) * 1000);
            const double volts = 13.0 - s / 43'200.0 + m;
            tick.meter.readouts = {QString::number(volts, 'f', 3).toStdString(), "0.6000", "7.800", "21.667",
                                   "12.345", "1.0000", "+25.3"};
            tick.meter.deviceAway = s % 7200 < 60;
            feed.push(std::size_t(m), tick);
        }
    }
    const auto formatting = Clock::now();
    const std::size_t formatted = feed.snapshotJson().size();
    std::printf("a day of plot data (4 x 86,400 rows) formatted: %.0f ms (%zu bytes)\n",
                std::chrono::duration<double, std::milli>(Clock::now() - formatting).count(), formatted);
    web::WebSettings settings;
    settings.address.port = 0;
    auto started = web::WebServer::start(settings, feed);
    auto& server = std::get<std::unique_ptr<web::WebServer>>(started);
    const int port = server->port();
    std::vector<double> times;
    std::size_t bytes = 0;
    for (int i = 0; i < 5; ++i) {
        const auto begin = Clock::now();
        bytes = web::testing::get(port, "/live.json").size();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
    }
    const Spread served = spread(times);
    std::printf("a day of plot data (4 x 86,400 rows, %.1f MB) served: median %.0f ms, slowest %.0f ms\n",
                double(bytes) / 1e6, served.median, *std::max_element(times.begin(), times.end()));

    web::testing::Browser browser;
    if (!browser.ready() || !browser.open(QStringLiteral("http://127.0.0.1:%1/").arg(port)) ||
        !browser.waitFor("page.drawMs !== undefined", std::chrono::seconds(60))) {
        std::printf("a day drawn in chromium: no browser (%s)\n", qPrintable(browser.lastError()));
        return;
    }
    std::printf("a day (4 x 86,400 rows) loaded and drawn by the page in headless chromium: %.0f ms"
                " (of which fetching and parsing %.0f ms)\n",
                browser.evaluate("page.drawMs").toDouble(), browser.evaluate("page.fetchMs").toDouble());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 15;
    double load[3] = {};
    if (getloadavg(load, 3) == 3) std::printf("load average: %.2f %.2f %.2f on %ld cores\n", load[0], load[1], load[2], sysconf(_SC_NPROCESSORS_ONLN));
    char pattern[] = "/tmp/kzrt-web-bench-XXXXXX";
    const fs::path root = mkdtemp(pattern);
    recorderWithPages(root, seconds);
    dayOfPlotData();
    fs::remove_all(root);
    return 0;
}
