// What kzrt-record's outputs say, against what happened: meters that stop, go
// quiet or send bytes that are no frames, a broker that refuses and later
// accepts, one that hangs and restarts, a metrics address that is not there
// yet, and clients that hold the endpoint. Real processes throughout: the
// recorder, mosquitto, mosquitto_sub, curl and promtool.
#include <gtest/gtest.h>
#include <signal.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <filesystem>
#include <set>

#include "lookback/day_file_reader.h"
#include "tests/publish/local_programs.h"
#include "tests/record/recorder_process.h"

namespace {

using namespace std::chrono_literals;
using publish::testing::Broker;
using publish::testing::metricValue;
using publish::testing::Subscriber;
using record::testing::PtyMeter;
using record::testing::Recorder;
using record::testing::steady;

// Bytes that never make a frame, as a meter at the wrong baud rate gives.
class NoiseLine : public serial::testing::PtyFarEnd {
public:
    NoiseLine() : m_thread([this] {
        while (m_running) {
            write(std::string(20, '\x55'));
            std::this_thread::sleep_for(50ms);
        }
    }) {}
    ~NoiseLine() {
        m_running = false;
        m_thread.join();
    }

private:
    std::atomic<bool> m_running{true};
    std::thread m_thread;
};

QString writeFile(const std::filesystem::path& path, const QByteArray& content,
                  QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner) {
    QFile file(QString::fromStdString(path.string()));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content);
    file.close();
    file.setPermissions(permissions);
    return file.fileName();
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

QString pty(const std::string& name, const serial::testing::PtyFarEnd& line) {
    return QString::fromStdString(name + "=" + line.slavePath());
}

// kzrt_up, kzrt_mqtt_connected and the retained availability of a meter, read
// the way a user would: a scrape and a fresh subscriber.
struct Truth {
    std::string up;
    std::string connected;
    std::string availability;
};

Truth truthOf(int metricsPort, int brokerPort, const std::string& meter, const QStringList& login) {
    const std::string metrics = publish::testing::httpGet(metricsPort);
    Subscriber fresh(brokerPort, {QString::fromStdString("kzrt/" + meter + "/availability")}, login);
    const std::string retained = fresh.waitFor([](const std::string&) { return true; }, 2s);
    return {metricValue(metrics, "kzrt_up{meter=\"" + meter + "\"}"),
            metricValue(metrics, "kzrt_mqtt_connected{meter=\"" + meter + "\"}"),
            retained.substr(retained.rfind(' ') + 1)};
}

bool eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout = 12s) {
    return publish::testing::waitUntil(done, timeout);
}

TEST(RecorderTruth, OutputNamesThatCollideAreRefusedNamingBoth) {
    const std::pair<QString, QString> cases[] = {
        {"a b", "a_b"},
        {"Zelle ä", "Zelle ö"},
        {"ä", "ö"},
    };
    for (const auto& [first, second] : cases) {
        Recorder recorder;
        recorder.start({"--metrics", "0", first + "=/dev/kzrt-none-1", second + "=/dev/kzrt-none-2"});
        EXPECT_EQ(recorder.waitForExit(5000), 2) << first.toStdString();
        const std::string err = recorder.err();
        EXPECT_NE(err.find("\"" + first.toStdString() + "\""), std::string::npos) << err;
        EXPECT_NE(err.find("\"" + second.toStdString() + "\""), std::string::npos) << err;
    }
}

// Three meters: one that records and then stops on its cutoff, one whose line
// carries only bytes that decode to no frame, and one never found. The broker
// refuses their password first and accepts it after a reload.
TEST(RecorderTruth, UpConnectedAndAvailabilityAgreeWithWhatHappened) {
    Recorder recorder;
    const std::filesystem::path folder = recorder.folder();
    const QString brokerPasswords = QString::fromStdString((folder / "passwd").string());
    ASSERT_EQ(publish::testing::runProgram("mosquitto_passwd", {"-b", "-c", brokerPasswords, "kzrt", "old"}), 0);
    Broker broker(publish::testing::freePort(),
                  QStringLiteral("password_file %1\nallow_anonymous false\n").arg(brokerPasswords));
    ASSERT_TRUE(broker.start());
    const QStringList login{"-u", "kzrt", "-P", "new"};
    std::atomic<double> volts{5.0};
    PtyMeter cell([&](double) { return meter_sim::MeterSample{volts.load(), 1.0, 25.0}; });
    NoiseLine noise;
    const int metricsPort = publish::testing::freePort();
    recorder.start({"--metrics", QString::number(metricsPort), "--mqtt",
                    QStringLiteral("mqtt://kzrt@127.0.0.1:%1").arg(broker.port()), "--mqtt-password-file",
                    writeFile(folder / "mqtt-password", "new\n"), "--stop-below", "3", "--hold", "2",
                    pty("cell", cell), pty("noise", noise), "gone=/dev/kzrt-no-such-device"});

    // Refused: said once per meter, however often it is tried again.
    ASSERT_TRUE(recorder.waitForErr("mqtt-refused noise", 8000)) << recorder.err();
    std::this_thread::sleep_for(4s);  // several retries
    EXPECT_EQ(occurrences(recorder.err(), "mqtt-refused cell"), 1u) << recorder.err();
    std::string metrics = publish::testing::httpGet(metricsPort);
    EXPECT_EQ(metricValue(metrics, "kzrt_mqtt_connected{meter=\"cell\"}"), "0") << metrics;
    EXPECT_EQ(metricValue(metrics, "kzrt_up{meter=\"cell\"}"), "1");
    EXPECT_EQ(metricValue(metrics, "kzrt_up{meter=\"noise\"}"), "0");
    EXPECT_EQ(metricValue(metrics, "kzrt_frames_total{meter=\"noise\"}"), "0");

    // Accepted after the broker reloads its passwords: said once each.
    ASSERT_EQ(publish::testing::runProgram("mosquitto_passwd", {"-b", brokerPasswords, "kzrt", "new"}), 0);
    broker.signal(SIGHUP);
    ASSERT_TRUE(recorder.waitForErr("mqtt-connected gone", 15000)) << recorder.err();
    const std::map<std::string, Truth> recording = {
        {"cell", {"1", "1", "online"}}, {"noise", {"0", "1", "offline"}}, {"gone", {"0", "1", "offline"}}};
    for (const auto& [meter, expected] : recording) {
        Truth truth;
        EXPECT_TRUE(eventually([&] {
            truth = truthOf(metricsPort, broker.port(), meter, login);
            return truth.up == expected.up && truth.connected == expected.connected &&
                   truth.availability == expected.availability;
        }, 5s)) << meter << ": up " << truth.up << " connected " << truth.connected << " " << truth.availability;
    }

    // The cell drops below its cutoff and stops; the others go on.
    volts = 1.0;
    ASSERT_TRUE(recorder.waitForErr("stop cell reason=cutoff", 8000)) << recorder.err();
    Truth stopped;
    EXPECT_TRUE(eventually([&] {
        stopped = truthOf(metricsPort, broker.port(), "cell", login);
        return stopped.up == "0" && stopped.connected == "1" && stopped.availability == "offline";
    }, 3s)) << "up " << stopped.up << " connected " << stopped.connected << " " << stopped.availability;
    const std::string err = recorder.err();
    EXPECT_EQ(occurrences(err, "mqtt-refused"), 3u) << err;
    EXPECT_EQ(occurrences(err, "mqtt-connected"), 3u) << err;
    recorder.signal(SIGTERM);
    EXPECT_EQ(recorder.waitForExit(5000), 0) << recorder.err();
}

// A broker that hangs for 12 s (SIGSTOP) and is then restarted: every row's
// state reaches a subscriber that keeps its session, at least once.
TEST(RecorderTruth, ABrokerThatHangsAndRestartsLosesNoState) {
    Broker broker;
    broker.keepSessions();
    ASSERT_TRUE(broker.start());
    const QStringList lasting{"-q", "1", "-c", "-i", "kzrt-test-reader"};
    auto subscriber = std::make_unique<Subscriber>(broker.port(), QStringList{"kzrt/cell/state"}, lasting);
    std::this_thread::sleep_for(1500ms);  // the session is saved
    PtyMeter meter(steady(12.0, 1.0));
    const int metricsPort = publish::testing::freePort();
    Recorder recorder;
    recorder.start({"--mqtt", QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port()), "--metrics",
                    QString::number(metricsPort), pty("cell", meter)});
    ASSERT_FALSE(subscriber->waitFor([](const std::string& l) { return l.find("kzrt/cell/state") != std::string::npos; }, 8s).empty());
    std::this_thread::sleep_for(2s);
    broker.signal(SIGSTOP);
    std::this_thread::sleep_for(12s);
    broker.signal(SIGKILL);
    ASSERT_TRUE(broker.start()) << "the broker again";
    std::this_thread::sleep_for(4s);
    const std::string metrics = publish::testing::httpGet(metricsPort);
    recorder.signal(SIGTERM);
    ASSERT_EQ(recorder.waitForExit(5000), 0) << recorder.err();

    std::set<std::string> times;  // a state sent again may arrive twice
    for (const std::string& line : subscriber->lines()) {
        const QJsonObject state = QJsonDocument::fromJson(QByteArray::fromStdString(line.substr(line.find('{')))).object();
        times.insert(state.value("time").toString().toStdString());
    }
    std::size_t rows = 0;
    for (const auto& entry : std::filesystem::directory_iterator(recorder.folder() / "cell")) {
        if (entry.path().extension() == ".csv") {
            rows += lookback::readDayFile(record::testing::readBytes(entry.path())).rows.size();
        }
    }
    EXPECT_GE(rows, 15u);
    EXPECT_EQ(metricValue(metrics, "kzrt_mqtt_dropped_total{meter=\"cell\"}"), "0") << metrics;
    EXPECT_EQ(times.size(), rows) << recorder.err();
}

// An address that is not there yet does not stop recording; one that comes
// free is taken, and the port it got is told.
TEST(RecorderTruth, AMetricsAddressNotUpYetIsTriedAgainWhileRecording) {
    PtyMeter meter(steady(3.3, 0.2));
    {
        Recorder recorder;
        recorder.start({"--metrics", "192.0.2.1:9101", pty("m", meter)});
        EXPECT_TRUE(recorder.waitForErr("Cannot assign requested address; trying again", 5000)) << recorder.err();
        EXPECT_TRUE(recorder.waitForErr("start m ", 5000)) << recorder.err();
        std::this_thread::sleep_for(3s);
        EXPECT_EQ(occurrences(recorder.err(), "metrics-waiting"), 1u) << recorder.err();
        recorder.signal(SIGTERM);
        EXPECT_EQ(recorder.waitForExit(5000), 0);
        EXPECT_NE(recorder.err().find("stop m reason=signal rows="), std::string::npos) << recorder.err();
        EXPECT_EQ(recorder.err().find("rows=0"), std::string::npos) << recorder.err();
    }
    const int port = publish::testing::freePort();
    const int held = publish::testing::listenOn(port);
    ASSERT_GE(held, 0);
    Recorder recorder;
    recorder.start({"--metrics", QString::number(port), pty("m", meter)});
    EXPECT_TRUE(recorder.waitForErr("Address already in use; trying again", 5000)) << recorder.err();
    close(held);
    EXPECT_TRUE(recorder.waitForErr("metrics listening on 127.0.0.1:" + std::to_string(port), 6000)) << recorder.err();
    EXPECT_NE(metricValue(publish::testing::httpGet(port), "kzrt_up{meter=\"m\"}"), "");
    recorder.signal(SIGTERM);
    EXPECT_EQ(recorder.waitForExit(5000), 0);
}

// 256 clients each holding half a request: the stop says "offline" and the
// process is gone within a second.
TEST(RecorderTruth, AStopSaysOfflineAndEndsWithinASecondWhateverClientsDo) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port(), {"kzrt/cell/availability"});
    PtyMeter meter(steady(12.0, 1.0));
    Recorder recorder;
    recorder.start({"--metrics", "0", "--mqtt", QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port()),
                    pty("cell", meter)});
    ASSERT_TRUE(recorder.waitForErr("metrics listening on 127.0.0.1:", 5000)) << recorder.err();
    const std::string err = recorder.err();
    const int port = std::stoi(err.substr(err.find("127.0.0.1:") + 10));
    ASSERT_FALSE(subscriber.waitFor([](const std::string& l) { return l.ends_with(" online"); }, 8s).empty());
    std::vector<int> halves;
    for (int i = 0; i < 256; ++i) {
        const int fd = publish::testing::connectTcp(port);
        if (fd < 0) break;
        send(fd, "GET /metrics HTTP/1.1\r\nHost:", 28, MSG_NOSIGNAL);
        halves.push_back(fd);
    }
    EXPECT_GE(halves.size(), 250u);
    std::this_thread::sleep_for(500ms);
    QElapsedTimer stop;
    stop.start();
    recorder.signal(SIGTERM);
    EXPECT_EQ(recorder.waitForExit(5000), 0);
    EXPECT_LT(stop.elapsed(), 1000);
    EXPECT_FALSE(subscriber.waitFor([](const std::string& l) { return l.ends_with(" offline"); }, 3s).empty());
    for (const int fd : halves) close(fd);
}

}  // namespace
