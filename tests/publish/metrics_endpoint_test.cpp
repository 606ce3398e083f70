// /metrics through the real HTTP server: promtool's lint, a Prometheus server
// scraping it, and clients that misbehave while recording goes on.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <chrono>
#include <thread>

#include "publish/outputs.h"
#include "tests/publish/local_programs.h"

namespace publish {
namespace {

using namespace std::chrono_literals;

MeterTick tickWithVoltage(const std::string& voltage) {
    MeterTick tick;
    tick.time = QDateTime::currentDateTime();
    tick.readouts = {voltage, "1.234", "15.234", "-OVLD-", "0.5", "0.04", "+25.3"};
    tick.frames = 100;
    tick.rowsWritten = 9;
    tick.up = true;
    return tick;
}

// The status code of an HTTP answer ("HTTP/1.1 200 OK" gives "200").
std::string status(const std::string& answer) { return answer.size() >= 12 ? answer.substr(9, 3) : answer; }

std::unique_ptr<Outputs> metricsOutputs(const QString& address = "127.0.0.1:0") {
    OutputOptions options;
    options.metrics = address;
    auto started = Outputs::start(std::get<OutputSettings>(outputSettings(options)));
    if (auto* error = std::get_if<QString>(&started)) ADD_FAILURE() << error->toStdString();
    return std::move(std::get<std::unique_ptr<Outputs>>(started));
}

// Publishes a tick every 20 ms on a thread of its own, as the recorder's
// ticks would, and keeps the longest call.
class Recorder {
public:
    explicit Recorder(Outputs& outputs) : m_thread([this, &outputs] {
        while (!m_stop) {
            const auto start = std::chrono::steady_clock::now();
            outputs.publish("bench1", tickWithVoltage("12.345"));
            const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
            m_longest = std::max<long long>(m_longest, took.count());
            ++m_ticks;
            std::this_thread::sleep_for(20ms);
        }
    }) {}
    ~Recorder() { stop(); }
    void stop() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
    }
    long long longestMicroseconds() const { return m_longest; }
    int ticks() const { return m_ticks; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_longest{0};
    std::atomic<int> m_ticks{0};
    std::thread m_thread;
};

TEST(MetricsEndpoint, PromtoolFindsNothingToCriticise) {
    auto outputs = metricsOutputs();
    outputs->publish("bench1", tickWithVoltage("12.345"));
    outputs->publish("/dev/ttyUSB0", tickWithVoltage("-OVLD-"));
    const std::string answer = testing::httpGet(outputs->metricsPort());
    ASSERT_EQ(status(answer), "200") << answer;
    EXPECT_NE(answer.find("Content-Type: text/plain; version=0.0.4"), std::string::npos);
    const std::string body = testing::httpBody(answer);
    EXPECT_NE(body.find("kzrt_voltage_volts{meter=\"bench1\"} 12.345\n"), std::string::npos);
    EXPECT_EQ(body.find("kzrt_voltage_volts{meter=\"dev_ttyUSB0\"}"), std::string::npos);
    EXPECT_NE(body.find("kzrt_frames_total{meter=\"dev_ttyUSB0\"} 100\n"), std::string::npos);

    QString lint;
    EXPECT_EQ(testing::runProgram("promtool", {"check", "metrics"}, &lint, QByteArray::fromStdString(body)), 0);
    EXPECT_EQ(lint.trimmed(), QString()) << lint.toStdString();

    const std::string head = testing::httpExchange(outputs->metricsPort(), "HEAD /metrics HTTP/1.0\r\n\r\n");
    EXPECT_EQ(status(head), "200");
    EXPECT_EQ(testing::httpBody(head), "");
}

TEST(MetricsEndpoint, APrometheusServerScrapesTheMetersValue) {
    auto outputs = metricsOutputs();
    outputs->publish("bench1", tickWithVoltage("12.345"));
    QTemporaryDir dir;
    const QString config = dir.filePath("prometheus.yml");
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("global:\n  scrape_interval: 1s\nscrape_configs:\n  - job_name: kzrt\n"
                              "    static_configs:\n      - targets: ['127.0.0.1:%1']\n")
                   .arg(outputs->metricsPort())
                   .toUtf8());
    file.close();
    const int port = testing::freePort();
    kzrt::testing::SpawnedProgram prometheus;
    kzrt::testing::SpawnedProgram::Options quiet;
    quiet.output = kzrt::testing::SpawnedProgram::Output::Discarded;
    ASSERT_TRUE(prometheus.start("prometheus",
                                 {"--config.file=" + config.toStdString(),
                                  "--storage.tsdb.path=" + dir.filePath("data").toStdString(),
                                  "--web.listen-address=127.0.0.1:" + std::to_string(port)},
                                 quiet));
    std::string answer;
    const bool found = testing::waitUntil(
        [&] {
            answer = testing::httpGet(port, "/api/v1/query?query=kzrt_voltage_volts");
            return answer.find("\"12.345\"") != std::string::npos;
        },
        20s);
    EXPECT_TRUE(found) << answer;
    EXPECT_NE(answer.find("\"meter\":\"bench1\""), std::string::npos);
    prometheus.stop();
}

TEST(MetricsEndpoint, BadClientsNeitherStopRecordingNorTheEndpoint) {
    auto outputs = metricsOutputs();
    const int port = outputs->metricsPort();
    Recorder recorder(*outputs);

    // Refused: other methods and other paths, without reading a body.
    const std::pair<std::string, std::string> refusals[] = {
        {"POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello", "405"},
        {"DELETE /metrics HTTP/1.0\r\n\r\n", "405"},
        {"BREW /metrics HTTP/1.0\r\n\r\n", "405"},
        {"GET / HTTP/1.0\r\n\r\n", "404"},
        {"GET /metrics/../etc/passwd HTTP/1.0\r\n\r\n", "404"},
    };
    for (const auto& [request, expected] : refusals) {
        EXPECT_EQ(status(testing::httpExchange(port, request, 2s)), expected) << request;
    }
    EXPECT_NE(testing::httpExchange(port, "PUT /metrics HTTP/1.0\r\n\r\n").find("Allow: GET, HEAD"), std::string::npos);

    // A request line that never ends, and 200 connections that say nothing,
    // stay open meanwhile.
    std::vector<int> idle;
    for (int i = 0; i < 201; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(std::uint16_t(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        idle.push_back(fd);
    }
    const std::string unended = "GET /metrics HTTP/1.1";
    send(idle.front(), unended.data(), unended.size(), MSG_NOSIGNAL);

    // A 1 MB header is cut off with 431 (or the connection is closed).
    const std::string huge = "GET /metrics HTTP/1.1\r\nX-Big: " + std::string(1 << 20, 'a') + "\r\n\r\n";
    const std::string answer = testing::httpExchange(port, huge, 3s);
    EXPECT_TRUE(answer.empty() || status(answer) == "431") << answer.substr(0, 100);

    // Recording goes on for a while beside them; then a good client is still
    // served while all of that is open.
    std::this_thread::sleep_for(1s);
    const std::string good = testing::httpGet(port);
    EXPECT_EQ(status(good), "200") << good.substr(0, 100);
    EXPECT_NE(good.find("kzrt_voltage_volts{meter=\"bench1\"} 12.345"), std::string::npos);
    for (const int fd : idle) close(fd);

    recorder.stop();
    EXPECT_GT(recorder.ticks(), 20);
    // A tick that waited for a client would take seconds.
    EXPECT_LT(recorder.longestMicroseconds(), 500'000);
}

TEST(MetricsEndpoint, ABarePortListensOnLoopbackOnly) {
    const int port = testing::freePort();
    auto outputs = metricsOutputs(QString::number(port));
    ASSERT_EQ(outputs->metricsPort(), port);
    // Only 127.0.0.1 is bound, not every address: another address of this
    // machine (127.0.0.2 is one on Linux) still has the port free.
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = inet_addr("127.0.0.2");
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    close(fd);
}

// An address that cannot be had yet is tried again, and each change is said once.
TEST(MetricsEndpoint, AnAddressInUseIsTriedAgainUntilItIsFree) {
    auto first = metricsOutputs("127.0.0.1:0");
    const int port = first->metricsPort();
    auto second = metricsOutputs(QStringLiteral("127.0.0.1:%1").arg(port));
    EXPECT_EQ(second->metricsPort(), 0);
    std::vector<OutputEvent> events = second->takeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, OutputEvent::Kind::MetricsWaiting);
    EXPECT_TRUE(events[0].detail.contains(QStringLiteral("127.0.0.1:%1: Address already in use").arg(port)))
        << events[0].detail.toStdString();
    second->publish("bench1", tickWithVoltage("1.5"));
    EXPECT_TRUE(second->takeEvents().empty());  // the same problem is not said again

    first.reset();
    ASSERT_TRUE(testing::waitUntil([&] { return !(events = second->takeEvents()).empty(); }, 5s));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, OutputEvent::Kind::MetricsListening);
    EXPECT_EQ(events[0].detail, QStringLiteral("127.0.0.1:%1").arg(port));
    // What was published while it waited is there.
    EXPECT_NE(testing::httpGet(port).find("kzrt_voltage_volts{meter=\"bench1\"} 1.5\n"), std::string::npos);
    EXPECT_TRUE(second->takeEvents().empty());
}

// Keep-alive, "[::]" for both families, and port 0 told as the port it got.
TEST(MetricsEndpoint, KeepAliveDualStackAndThePortItGot) {
    auto outputs = metricsOutputs("[::]:0");
    outputs->publish("bench1", tickWithVoltage("12.345"));
    const int port = outputs->metricsPort();
    ASSERT_NE(port, 0);
    const std::vector<OutputEvent> events = outputs->takeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].detail, QStringLiteral("[::]:%1").arg(port));
    for (const char* host : {"127.0.0.1", "::1"}) {
        const int fd = testing::connectTcp(port, host);
        ASSERT_GE(fd, 0) << host;
        for (int request = 0; request < 3; ++request) {
            const std::string answer = testing::httpOnConnection(fd, "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n", 2s);
            EXPECT_EQ(status(answer), "200") << host << " request " << request;
            EXPECT_EQ(answer.find("Connection: close"), std::string::npos) << answer.substr(0, 200);
        }
        close(fd);
    }
}

// Clients that hold every connection with half a request cannot hold a stop.
TEST(MetricsEndpoint, StoppingNeverWaitsForClients) {
    auto outputs = metricsOutputs();
    const int port = outputs->metricsPort();
    std::vector<int> halves;
    for (int i = 0; i < 256; ++i) {
        const int fd = testing::connectTcp(port);
        ASSERT_GE(fd, 0);
        send(fd, "GET /metrics HTTP/1.1\r\nHost:", 28, MSG_NOSIGNAL);
        halves.push_back(fd);
    }
    std::this_thread::sleep_for(300ms);  // all of them read and waiting
    const auto start = std::chrono::steady_clock::now();
    outputs.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    for (const int fd : halves) close(fd);
}

}  // namespace
}  // namespace publish
