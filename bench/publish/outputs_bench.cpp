// The network outputs beside recording, against a real mosquitto broker:
//
//   publish_outputs_bench latency [ticks]   row written -> its MQTT state received by a
//                                           subscriber on this machine (median, 99th, max)
//   publish_outputs_bench outage [seconds]  4 meters, one row a second each; the broker
//                                           is stopped for <seconds> (10) and started again:
//                                           rows late or lost, messages dropped, republishes
//   publish_outputs_bench cpu [seconds]     CPU of 4 meters' ticks (rows + outputs, scraped
//                                           every second by another process) against the
//                                           same ticks without outputs, same run
//
// Rows are real: each tick inserts a row into a day file in a temporary folder.
#include <mosquitto.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "storage/day_file_session.h"
#include "meter/recording_row.h"
#include "publish/outputs.h"
#include "runtime/date_time.h"
#include "storage/file_system.h"
#include "tests/publish/local_programs.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
constexpr int kMeters = 4;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A subscriber in this process, so arrival times share the publisher's clock.
class Subscriber {
public:
    explicit Subscriber(int port) {
        m_client = mosquitto_new(nullptr, true, this);
        mosquitto_message_callback_set(m_client, [](mosquitto*, void* self, const mosquitto_message* m) {
            static_cast<Subscriber*>(self)->received(m);
        });
        mosquitto_connect_callback_set(m_client, [](mosquitto* client, void*, int) {
            mosquitto_subscribe(client, nullptr, "kzrt/+/state", 0);
        });
        mosquitto_int_option(m_client, MOSQ_OPT_TCP_NODELAY, 1);
        mosquitto_connect(m_client, "127.0.0.1", port, 30);
        mosquitto_reconnect_delay_set(m_client, 1, 1, false);
        mosquitto_loop_start(m_client);
        std::this_thread::sleep_for(300ms);
    }
    ~Subscriber() {
        mosquitto_disconnect(m_client);
        mosquitto_loop_stop(m_client, false);
        mosquitto_destroy(m_client);
    }
    // Arrival time of each state, by the voltage it carried.
    std::map<double, Clock::time_point> arrivals() {
        std::lock_guard lock(m_mutex);
        return m_arrivals;
    }
    std::size_t count() {
        std::lock_guard lock(m_mutex);
        return m_count;
    }

private:
    void received(const mosquitto_message* message) {
        const auto now = Clock::now();
        const QJsonObject state =
            QJsonDocument::fromJson(QByteArray(static_cast<const char*>(message->payload), message->payloadlen)).object();
        std::lock_guard lock(m_mutex);
        m_arrivals.emplace(state.value("voltage").toDouble(), now);
        ++m_count;
    }
    mosquitto* m_client;
    std::mutex m_mutex;
    std::map<double, Clock::time_point> m_arrivals;
    std::size_t m_count = 0;
};

storage::FileSystem& files() {
    static const std::unique_ptr<storage::FileSystem> native = storage::NativeFileSystem();
    return *native;
}

// One meter's recording side: its day file and its counters.
struct Meter {
    std::string name;
    runtime::Path path;
    std::uint64_t rows = 0;
    std::uint64_t failures = 0;
    std::shared_ptr<storage::DayFileSession> session;
};

std::vector<Meter> meters(const QTemporaryDir& dir) {
    std::vector<Meter> list;
    for (int i = 1; i <= kMeters; ++i) {
        const QString folder = dir.filePath(QStringLiteral("m%1").arg(i));
        QDir().mkpath(folder);
        const runtime::Path path = meter::recordingFilePath(runtime::Path(folder.toStdString()), runtime::Now());
        list.push_back({"m" + std::to_string(i), path, 0, 0, std::make_shared<storage::DayFileSession>(files(), path)});
    }
    return list;
}

// One recording tick of one meter: the row, then (when there are outputs) its publication.
void tick(Meter& meter, publish::Outputs* outputs, const std::string& voltage) {
    const runtime::DateTime now = runtime::Now();
    const publish::ReadoutTexts texts{voltage, "1.2340", "15.234", "10.004", "0.5000", "0.0400", "+25.3"};
    const meter::ReadoutTexts row{texts.voltage, texts.current, texts.power, texts.resistance,
                                    texts.energyWh, texts.chargeAh, texts.temperature};
    const storage::RecordingStep step = meter.session->record({meter::recordingRowText(now, row)});
    if (step == storage::RecordingStep::RowInserted) ++meter.rows;
    if (step != storage::RecordingStep::RowInserted && step != storage::RecordingStep::FileCreated) ++meter.failures;
    if (outputs == nullptr) return;
    publish::MeterTick tick;
    tick.time = QDateTime::currentDateTime();
    tick.readouts = texts;
    tick.rowsWritten = meter.rows;
    tick.rowWriteFailures = meter.failures;
    tick.up = true;
    outputs->publish(meter.name, tick);
}

std::unique_ptr<publish::Outputs> startOutputs(int brokerPort, const QString& metrics = {}) {
    publish::OutputOptions options;
    if (brokerPort > 0) options.mqttUrl = QStringLiteral("mqtt://127.0.0.1:%1").arg(brokerPort);
    options.metrics = metrics;
    auto settings = std::get<publish::OutputSettings>(publish::outputSettings(options));
    if (settings.mqtt) settings.mqtt->reconnectDelayMaxSeconds = 2;
    return std::move(std::get<std::unique_ptr<publish::Outputs>>(publish::Outputs::start(settings)));
}

int latency(int ticks) {
    publish::testing::Broker broker;
    if (!broker.start()) return 1;
    QTemporaryDir dir;
    auto list = meters(dir);
    auto outputs = startOutputs(broker.port());
    outputs->addMeter(list[0].name);
    Subscriber subscriber(broker.port());
    std::vector<Clock::time_point> written;
    for (int i = 0; i < ticks; ++i) {
        const auto start = Clock::now();
        tick(list[0], outputs.get(), std::to_string(i + 1) + ".0000");
        written.push_back(start);
        std::this_thread::sleep_until(start + 20ms);
    }
    std::this_thread::sleep_for(500ms);
    const auto arrivals = subscriber.arrivals();
    std::vector<double> delays;
    for (int i = 0; i < ticks; ++i) {
        const auto found = arrivals.find(double(i + 1));
        if (found != arrivals.end()) delays.push_back(ms(found->second - written[std::size_t(i)]));
    }
    std::sort(delays.begin(), delays.end());
    if (delays.empty()) return 1;
    std::printf("latency row written -> state received: %zu of %d states, median %.3f ms, 99th %.3f ms, max %.3f ms\n",
                delays.size(), ticks, delays[delays.size() / 2], delays[delays.size() * 99 / 100], delays.back());
    return 0;
}

int outage(int seconds) {
    publish::testing::Broker broker;
    if (!broker.start()) return 1;
    QTemporaryDir dir;
    auto list = meters(dir);
    auto outputs = startOutputs(broker.port());
    std::this_thread::sleep_for(500ms);
    auto subscriber = std::make_unique<Subscriber>(broker.port());
    const int before = 3, after = 6, total = before + seconds + after;
    double lateMax = 0, tickMax = 0;
    int late = 0;
    std::unique_ptr<publish::testing::Broker> again;
    const auto start = Clock::now();
    for (int t = 0; t < total; ++t) {
        const auto due = start + std::chrono::seconds(t);
        std::this_thread::sleep_until(due);
        const auto begun = Clock::now();
        for (Meter& meter : list) tick(meter, outputs.get(), std::to_string(t + 1) + ".0000");
        const auto done = Clock::now();
        lateMax = std::max(lateMax, ms(begun - due));
        tickMax = std::max(tickMax, ms(done - begun));
        if (ms(done - due) > 100) ++late;
        if (t == before) broker.stop();
        if (t == before + seconds) {
            again = std::make_unique<publish::testing::Broker>(broker.port());
            again->start();
        }
    }
    std::this_thread::sleep_for(1s);
    std::uint64_t rows = 0, dropped = 0;
    for (const Meter& meter : list) {
        rows += meter.rows;
        dropped += outputs->mqttDropped(meter.name);
    }
    // The first tick of each meter starts its day file and writes no row.
    const std::uint64_t expected = std::uint64_t(kMeters) * std::uint64_t(total - 1);
    std::printf("outage %d s, %d meters, %d ticks: rows %llu of %llu (lost %llu), ticks later than 100 ms: %d, "
                "latest tick start %.1f ms, longest tick %.1f ms, MQTT dropped %llu, states received %zu\n",
                seconds, kMeters, total, (unsigned long long)rows, (unsigned long long)expected,
                (unsigned long long)(expected - rows), late, lateMax, tickMax, (unsigned long long)dropped,
                subscriber->count());
    return 0;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Ticks for `seconds` seconds, one row a second per meter; process CPU spent.
double tickFor(int seconds, std::vector<Meter>& list, publish::Outputs* outputs) {
    const double cpu = cpuSeconds();
    const auto start = Clock::now();
    for (int t = 0; t < seconds; ++t) {
        std::this_thread::sleep_until(start + std::chrono::seconds(t));
        for (Meter& meter : list) tick(meter, outputs, std::to_string(t + 1) + ".0000");
    }
    std::this_thread::sleep_until(start + std::chrono::seconds(seconds));
    return cpuSeconds() - cpu;
}

int cpu(int seconds) {
    QTemporaryDir dir;
    auto list = meters(dir);
    const double without = tickFor(seconds, list, nullptr);

    publish::testing::Broker broker;
    if (!broker.start()) return 1;
    const int metricsPort = publish::testing::freePort();
    auto outputs = startOutputs(broker.port(), QString::number(metricsPort));
    Subscriber subscriber(broker.port());
    const pid_t scraper = fork();
    if (scraper == 0) {  // another process scrapes, as Prometheus would
        while (true) {
            publish::testing::httpGet(metricsPort);
            sleep(1);
        }
    }
    const double with = tickFor(seconds, list, outputs.get());
    kill(scraper, SIGKILL);
    waitpid(scraper, nullptr, 0);
    std::printf("CPU over %d s, %d meters, one row a second each: without outputs %.3f s (%.2f %% of a core), "
                "with MQTT + /metrics scraped every second %.3f s (%.2f %%); states received %zu\n",
                seconds, kMeters, without, 100 * without / seconds, with, 100 * with / seconds, subscriber.count());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const int number = argc > 2 ? std::atoi(argv[2]) : 0;
    if (mode == "latency") return latency(number > 0 ? number : 500);
    if (mode == "outage") return outage(number > 0 ? number : 10);
    if (mode == "cpu") return cpu(number > 0 ? number : 20);
    std::fprintf(stderr, "usage: publish_outputs_bench latency|outage|cpu [n]\n");
    return 2;
}
