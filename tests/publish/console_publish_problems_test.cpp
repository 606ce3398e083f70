// [Publish] entries that cannot work, through the real window, on Linux and
// under wine: each is named in the record box's tooltip, recording goes on,
// and no tick waits for a broker that never answers.
#include <chrono>
#include <functional>

#include "console/publish_outputs.h"
#include "meter/recording_row.h"
#include "platform/events.h"
#include "publish/metrics_registry.h"
#include "publish/metrics_server.h"
#include "runtime/conversions.h"
#include "runtime/date_time.h"
#include "tests/console/console_fixture.h"

namespace {

using namespace console;
using console::testing::writeFile;

struct BadEntry {
    const char* name;
    // The [Publish] lines, given a port that something else listens on.
    std::function<std::string(int busyPort)> section;
    const char* toolTip;  // what the record box's tooltip must name; empty: nothing
};

class ConsolePublishProblems : public console::testing::ConsoleFixture,
                               public ::testing::WithParamInterface<BadEntry> {
protected:
    void tick() { form().raise(kRecordingTimer, platform::kTimerFired); }
};

TEST_P(ConsolePublishProblems, IsNamedOnTheRecordBoxAndRecordingGoesOn) {
    // A listener of our own holds a port, as another program would.
    publish::MetricsRegistry registry;
    publish::MetricsServer busy(publish::ListenAddress{"127.0.0.1", 0}, registry);
    ASSERT_TRUE(busy.listening());
    const int busyPort = busy.port();

    writeFile(settingsPath(), "[KZRT]\r\nPort=1\r\n[Publish]\r\n" + GetParam().section(busyPort));
    startWindow();
    form().setText(kVoltageReadout, "5.0000");
    form().setText(kUpdateStamp, runtime::ToText(double(meter::secondsWithinHour(runtime::Now()))));
    window->values().lastByteMonotonicMs = runtime::MonotonicMilliseconds();
    form().setChecked(kRecordBox, 1);
    form().raise(kRecordBox, platform::kClicked);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) tick();
    // A connection attempt to a silent broker takes seconds; the ticks only queue.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    settleRecording();
    EXPECT_EQ(window->values().rowsWritten, 2u);  // the first tick starts the file
    const QString tip = form().toolTip(kRecordBox);
    EXPECT_TRUE(tip.contains(QStringLiteral("Recording file:"))) << tip.toStdString();
    const QString named = QString::fromStdString(std::string(GetParam().toolTip))
                              .replace(QStringLiteral("%PORT%"), QString::number(busyPort));
    EXPECT_TRUE(tip.contains(named)) << tip.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ConsolePublishProblems,
    ::testing::Values(
        BadEntry{"MetricsPortInUse", [](int busy) { return "Metrics=" + std::to_string(busy) + "\r\n"; },
                 "metrics: "},
        BadEntry{"UnreadableCaFile",
                 [](int busy) { return "MQTT=mqtts://127.0.0.1:" + std::to_string(busy) + "\r\nMQTTCA=missing-ca.pem\r\n"; },
                 "MQTT CA file \"missing-ca.pem\" cannot be read"},
        // The listener takes the connection and never answers CONNECT.
        BadEntry{"SilentBroker", [](int busy) { return "MQTT=mqtt://127.0.0.1:" + std::to_string(busy) + "\r\n"; }, ""},
        BadEntry{"RefusingBroker", [](int) { return std::string("MQTT=mqtt://127.0.0.1:1\r\n"); }, ""}),
    [](const ::testing::TestParamInfo<BadEntry>& info) { return std::string(info.param.name); });

}  // namespace
