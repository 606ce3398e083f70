// The console's [Publish] section through the real window: read at start-up,
// never written back, one state per recording tick, and a broken URL told in
// the record box's tooltip while recording goes on.
#include <QJsonDocument>
#include <QAbstractButton>
#include <QJsonObject>
#include <chrono>
#include <thread>

#include "console/data_recording.h"
#include "console/publish_outputs.h"
#include "meter/recording_row.h"
#include "platform/events.h"
#include "runtime/conversions.h"
#include "runtime/date_time.h"
#include "tests/console/console_fixture.h"
#include "tests/console/pty_link.h"
#include "tests/publish/local_programs.h"

namespace {

using namespace console;
using namespace std::chrono_literals;
using console::testing::readFile;
using console::testing::writeFile;

class ConsolePublish : public console::testing::ConsoleFixture {
protected:
    // A settings file as the console writes it, with a [Publish] section a
    // user added in the middle, comment included.
    std::string settingsWith(const std::string& publish) {
        return "[KZRT]\r\nPort=1\r\nBaud=2400\r\n\r\n[Publish]\r\n; where the readings go\r\n" + publish +
               "\r\n[Other]\r\nKey=1\r\n";
    }
    void setReadouts(const std::string& voltage, bool frames = true) {
        form().setText(kVoltageReadout, voltage);
        form().setText(kCurrentReadout, "0.5000");
        form().setText(kTemperatureReadout, "+20.1");
        // A byte just arrived, so the tick's staleness check keeps them.
        form().setText(kUpdateStamp, runtime::ToText(double(meter::secondsWithinHour(runtime::Now()))));
        window->values().lastByteMonotonicMs = runtime::MonotonicMilliseconds();
        if (frames) ++window->values().framesDecoded;
    }
    void tick() { form().raise(kRecordingTimer, platform::kTimerFired); }
};

TEST_F(ConsolePublish, SectionIsReadAtStartUpPublishedEachTickAndNeverWrittenBack) {
    publish::testing::Broker broker;
    ASSERT_TRUE(broker.start());
    const int metricsPort = publish::testing::freePort();
    const std::string section = "MQTT=mqtt://127.0.0.1:" + std::to_string(broker.port()) +
                                "\r\nMQTTPrefix=lab/bench\r\nMetrics=" + std::to_string(metricsPort) + "\r\n";
    writeFile(settingsPath(), settingsWith(section));
    publish::testing::Subscriber subscriber(broker.port(), {"lab/#"});
    console::testing::PtyLink far(1);  // the meter's port, open: its device is there
    startWindow();
    qobject_cast<QAbstractButton*>(form().find(kOpenPortButton)->widget)->click();
    ASSERT_NE(window->values().outputs, nullptr);
    EXPECT_EQ(window->values().outputs->problem(), QString());

    // The console's own writes (seconds box, curves toggle) keep the section as it is.
    form().setText(kRecordingSeconds, "2");
    form().raise(kRecordingSeconds, platform::kContentChanged);
    form().raise(kMainWindow, platform::kRightButtonDown);
    const std::string written = readFile(settingsPath());
    EXPECT_NE(written.find("\r\n[Publish]\r\n; where the readings go\r\n" + section + "\r\n[Other]"), std::string::npos)
        << written;

    ASSERT_TRUE(publish::testing::waitUntil([&] { return publish::testing::portOpen(metricsPort); }, 2s));
    std::this_thread::sleep_for(300ms);  // the broker connection
    // Bytes that decode to no frame (a wrong baud rate) leave the meter down.
    setReadouts("0", false);
    tick();
    EXPECT_NE(publish::testing::httpGet(metricsPort).find("kzrt_up{meter=\"COM1\"} 0\n"), std::string::npos);
    EXPECT_EQ(subscriber.waitFor([](const std::string& l) { return l.find("availability") != std::string::npos; }),
              "0 lab/bench/COM1/availability offline");
    setReadouts("12.345");
    tick();
    const std::string state = subscriber.waitFor([](const std::string& l) {
        return l.rfind("0 lab/bench/COM1/state ", 0) == 0 && l.find("12.345") != std::string::npos;
    });
    ASSERT_FALSE(state.empty());
    const QJsonObject values = QJsonDocument::fromJson(QByteArray::fromStdString(state.substr(state.find('{')))).object();
    EXPECT_DOUBLE_EQ(values.value("voltage").toDouble(), 12.345);
    EXPECT_DOUBLE_EQ(values.value("temperature").toDouble(), 20.1);
    const std::string metrics = publish::testing::httpGet(metricsPort);
    EXPECT_NE(metrics.find("kzrt_voltage_volts{meter=\"COM1\"} 12.345\n"), std::string::npos) << metrics;
    EXPECT_NE(metrics.find("kzrt_up{meter=\"COM1\"} 1\n"), std::string::npos);
    EXPECT_EQ(readFile(settingsPath()), written);
}

TEST_F(ConsolePublish, ABrokenUrlIsToldOnTheRecordBoxAndRecordingGoesOn) {
    writeFile(settingsPath(), settingsWith("MQTT=http://broker.lan\r\n"));
    startWindow();
    EXPECT_TRUE(form().toolTip(kRecordBox).contains("MQTT URL \"http://broker.lan\"")) << form().toolTip(kRecordBox).toStdString();
    setReadouts("1.0000");
    form().setChecked(kRecordBox, 1);
    form().raise(kRecordBox, platform::kClicked);
    tick();
    tick();
    settleRecording();  // rows are written on the recording's own thread
    EXPECT_EQ(window->values().rowsWritten, 1u);
    const QString tip = form().toolTip(kRecordBox);
    EXPECT_TRUE(tip.contains("Recording file:") && tip.contains("MQTT URL")) << tip.toStdString();
}

TEST_F(ConsolePublish, WithoutTheSectionNothingStarts) {
    writeFile(settingsPath(), "[KZRT]\r\nPort=1\r\n[Publish]\r\nMQTTPrefix=lab\r\n");
    startWindow();
    tick();
    EXPECT_EQ(window->values().outputs, nullptr);
}

}  // namespace
