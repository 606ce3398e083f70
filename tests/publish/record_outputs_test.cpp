// kzrt-record's network outputs as users run them: a meter on a
// pseudo-terminal, a real mosquitto broker and /metrics, the options on the
// command line and in the config file.
#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>

#include "lookback/day_file_reader.h"
#include "tests/publish/local_programs.h"
#include "tests/record/recorder_process.h"

namespace {

using namespace std::chrono_literals;
using publish::testing::Broker;
using publish::testing::Subscriber;
using record::testing::PtyMeter;
using record::testing::Recorder;
using record::testing::steady;

std::string firstMatch(Subscriber& subscriber, const std::string& prefix) {
    return subscriber.waitFor([&](const std::string& line) { return line.rfind(prefix, 0) == 0; }, 8s);
}

// The voltage field of the rows in a folder's day files.
std::vector<std::string> rowVoltages(const std::filesystem::path& folder) {
    std::vector<std::string> volts;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".csv") continue;
        for (const lookback::DayRow& row : lookback::readDayFile(record::testing::readBytes(entry.path())).rows) {
            volts.push_back(row.values[0]);
        }
    }
    return volts;
}

TEST(RecorderOutputs, StatesCarryTheRowsValuesAndMetricsServeThem) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port(), {"kzrt/#", "homeassistant/#"});
    PtyMeter meter(steady(12.0, 1.0));
    const int metricsPort = publish::testing::freePort();
    Recorder recorder;
    recorder.start({"--duration", "4", "--mqtt", QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port()),
                    "--metrics", QString::number(metricsPort), "bench=" + QString::fromStdString(meter.slavePath())});
    EXPECT_FALSE(firstMatch(subscriber, "0 homeassistant/sensor/kzrt_bench_voltage/config ").empty());
    EXPECT_EQ(firstMatch(subscriber, "0 kzrt/bench/availability"), "0 kzrt/bench/availability online");
    const std::string state = subscriber.waitFor(
        [](const std::string& line) { return line.find("kzrt/bench/state") != std::string::npos && line.find("\"voltage\":12") != std::string::npos; }, 8s);
    ASSERT_FALSE(state.empty()) << recorder.err();
    const std::string metrics = publish::testing::httpGet(metricsPort);
    EXPECT_NE(metrics.find("kzrt_voltage_volts{meter=\"bench\"} 12\n"), std::string::npos) << metrics;
    EXPECT_NE(metrics.find("kzrt_up{meter=\"bench\"} 1\n"), std::string::npos);
    ASSERT_EQ(recorder.waitForExit(8000), 0) << recorder.err();
    EXPECT_FALSE(subscriber.waitFor([](const std::string& l) { return l == "0 kzrt/bench/availability offline"; }, 3s).empty());

    // Every row the day file got went out as a state with the same voltage.
    const auto volts = rowVoltages(recorder.folder() / "bench");
    std::size_t states = 0;
    for (const std::string& line : subscriber.lines()) states += line.rfind("0 kzrt/bench/state ", 0) == 0;
    EXPECT_EQ(states, volts.size());
    EXPECT_NE(std::find(volts.begin(), volts.end(), "12.000"), volts.end());
}

TEST(RecorderOutputs, ConfigKeysAndTheLastWillAfterKill9) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker.port(), {"lab/#", "ha/#"});
    PtyMeter meter(steady(5.0, 0.5));
    Recorder recorder;
    const QString config = QString::fromStdString((recorder.folder() / "record.conf").string());
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("mqtt = mqtt://127.0.0.1:%1\nmqtt-prefix = lab\nha-prefix = ha\nmeter = %2\n")
                   .arg(broker.port())
                   .arg(QString::fromStdString(meter.slavePath()))
                   .toUtf8());
    file.close();
    recorder.start({"--config", config});
    // A meter without NAME is published under its port's name, made topic-safe.
    const std::string topic = "lab/" + std::string(meter.slavePath()).substr(1);
    std::string safe;
    for (char c : topic.substr(4)) safe += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    EXPECT_FALSE(firstMatch(subscriber, "0 ha/sensor/kzrt_" + safe + "_voltage/config").empty()) << recorder.err();
    EXPECT_FALSE(firstMatch(subscriber, "0 lab/" + safe + "/state ").empty());
    recorder.signal(SIGKILL);
    recorder.waitForExit(5000);
    EXPECT_FALSE(subscriber.waitFor([&](const std::string& l) { return l == "0 lab/" + safe + "/availability offline"; }, 5s).empty());
}

TEST(RecorderOutputs, BadOutputOptionsExitTwoNamingThem) {
    const std::pair<QStringList, std::string> cases[] = {
        {{"--mqtt", "http://broker"}, "MQTT URL"},
        {{"--mqtt", "mqtt://h", "--mqtt-ca", "/nonexistent"}, "--mqtt-ca"},
        {{"--mqtt-ca", "/etc/hostname"}, "--mqtt"},
        {{"--metrics", "abc"}, "metrics address"},
        {{"--mqtt", "mqtt://h", "--mqtt-prefix", "a/#"}, "prefix"},
    };
    for (const auto& [arguments, named] : cases) {
        Recorder recorder;
        recorder.start(arguments + QStringList{"/dev/null"});
        EXPECT_EQ(recorder.waitForExit(5000), 2) << arguments.join(' ').toStdString();
        EXPECT_NE(recorder.err().find(named), std::string::npos) << recorder.err();
    }
}

}  // namespace
