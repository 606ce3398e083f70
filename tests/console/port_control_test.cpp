#include "console/port_control.h"

#include <QAbstractButton>

#include <filesystem>
#include <memory>

#include "console/elapsed_timer.h"
#include "console/mode_command.h"
#include "serial/serial_port_unit.h"
#include "console_fixture.h"
#include "pty_link.h"

using namespace console;
using namespace console::testing;

namespace {

class PortControlTest : public ConsoleFixture {
protected:
    void click(std::uint32_t button) {
        qobject_cast<QAbstractButton*>(form().find(button)->widget)->click();
    }
    std::string settings() { return readFile(settingsPath()); }
};

TEST_F(PortControlTest, OpeningLightsTheLampStartsTheCurvesAndSavesSettings) {
    PtyLink far(1);
    startWindow();
    form().setComboIndex(kParityCombo, 1);
    click(kOpenPortButton);
    EXPECT_EQ(form().fillColour(kPortLamp), kLampGreen);
    EXPECT_EQ(form().interval(kCurveTimer), 1000);
    EXPECT_EQ(settings(), "[KZRT]\r\nPort=1\r\nBaud=2400\r\nParity=Odd\r\nSecond=1\r\nGraph=1\r\n");
    EXPECT_NE(form().toolTip(kPortLamp).indexOf("COM1 is open on"), -1);
    // A second press reopens: still green, curves still running.
    click(kOpenPortButton);
    EXPECT_EQ(form().fillColour(kPortLamp), kLampGreen);
    EXPECT_EQ(form().interval(kCurveTimer), 1000);
}

TEST_F(PortControlTest, FailedOpeningTurnsTheLampRedAndStillSaves) {
    startWindow();
    form().setComboIndex(kPortNumberCombo, 19);  // COM20: nothing there
    click(kOpenPortButton);
    EXPECT_EQ(form().fillColour(kPortLamp), kLampRed);
    EXPECT_EQ(form().interval(kCurveTimer), 0);
    EXPECT_EQ(settings(), "[KZRT]\r\nPort=20\r\nBaud=2400\r\nParity=Even\r\nSecond=1\r\nGraph=1\r\n");
    const QString tip = form().toolTip(kPortLamp);
    EXPECT_NE(tip.indexOf("COM20"), -1) << tip.toStdString();
    EXPECT_NE(tip.indexOf("/dev/ttyUSB19"), -1) << tip.toStdString();
}

TEST_F(PortControlTest, ClosingResetsTheReadoutsButKeepsTheTotals) {
    PtyLink far(1);
    startWindow();
    click(kOpenPortButton);
    click(kTimingButton);
    form().setChecked(kRecordBox, 1);
    for (auto [id, text] : {std::pair{kVoltageReadout, "12.345"}, {kCurrentReadout, "1.234"},
                            {kPowerReadout, "15.234"}, {kResistanceReadout, "10.004"},
                            {kTemperatureReadout, "+25.3"}, {kEnergyReadout, "1.5000"},
                            {kChargeReadout, "0.2500"}, {kHoursReadout, "1"}, {kMinutesReadout, "2"},
                            {kSecondsReadout, "3"}}) {
        form().setText(id, text);
    }
    click(kClosePortButton);
    EXPECT_EQ(form().fillColour(kPortLamp), kLampGrey);
    EXPECT_EQ(form().interval(kCurveTimer), 0);
    EXPECT_EQ(form().interval(kClockTimer), 0);
    EXPECT_EQ(form().interval(kRecordingTimer), 1000);
    EXPECT_EQ(form().checked(kRecordBox), 0);
    EXPECT_EQ(form().caption(kTimingButton), runtime::Gbk("开始计时"));
    for (std::uint32_t id : {kVoltageReadout, kCurrentReadout, kPowerReadout, kResistanceReadout, kTemperatureReadout}) {
        EXPECT_EQ(form().text(id), "0");
    }
    EXPECT_EQ(form().text(kFrameText), "");
    EXPECT_EQ(form().text(kEnergyReadout), "1.5000");
    EXPECT_EQ(form().text(kChargeReadout), "0.2500");
    EXPECT_EQ(form().text(kHoursReadout) + form().text(kMinutesReadout) + form().text(kSecondsReadout), "123");
}

TEST_F(PortControlTest, TimingWithTheLampOffOpensThePortAndRunsEvenWhenThatFails) {
    startWindow();
    form().setComboIndex(kPortNumberCombo, 19);  // COM20: nothing there
    click(kTimingButton);
    EXPECT_EQ(form().fillColour(kPortLamp), kLampRed);
    EXPECT_EQ(form().interval(kClockTimer), 1000);
    EXPECT_EQ(form().caption(kTimingButton), runtime::Gbk("停止计时"));
    EXPECT_EQ(settings(), "[KZRT]\r\nPort=20\r\nBaud=2400\r\nParity=Even\r\nSecond=1\r\nGraph=1\r\n");
    click(kTimingButton);
    EXPECT_EQ(form().interval(kClockTimer), 0);
    EXPECT_EQ(form().caption(kTimingButton), runtime::Gbk("开始计时"));

    PtyLink far(1);
    form().setComboIndex(kPortNumberCombo, 0);
    click(kTimingButton);
    EXPECT_EQ(form().fillColour(kPortLamp), kLampGreen);
}

TEST_F(PortControlTest, StopwatchCarries) {
    startWindow();
    struct Case { const char *h, *m, *s, *expected; } cases[] = {
        {"0", "59", "59", "1:0:0"}, {"0", "0", "59", "0:1:0"}, {"7", "3", "9", "7:3:10"},
        {"99", "59", "59", "100:0:0"}, {"0", "0", "abc", "0:0:1"}, {"x", "59", "59", "1:0:0"},
    };
    for (const Case& c : cases) {
        form().setText(kHoursReadout, c.h);
        form().setText(kMinutesReadout, c.m);
        form().setText(kSecondsReadout, c.s);
        onClockTick(context());
        EXPECT_EQ(form().text(kHoursReadout) + ":" + form().text(kMinutesReadout) + ":" +
                      form().text(kSecondsReadout),
                  c.expected);
    }
}

TEST_F(PortControlTest, ModeCommandSendsXThenTOnlyWhenGreen) {
    PtyLink far(1);
    startWindow();
    click(kModeButton);  // design colour: nothing
    EXPECT_EQ(far.readFor(100), "");
    click(kOpenPortButton);
    ASSERT_EQ(form().fillColour(kPortLamp), kLampGreen);
    click(kModeButton);
    EXPECT_EQ(far.readFor(200), "XT");
    click(kClosePortButton);
    click(kModeButton);  // grey
    EXPECT_EQ(far.readFor(100), "");
}

TEST_F(PortControlTest, BytesFromTheFarEndReachTheReadouts) {
    PtyLink far(1);
    startWindow();
    click(kOpenPortButton);
    ASSERT_EQ(form().fillColour(kPortLamp), kLampGreen);
    // Noise, then a frame split over two writes, as a slow line delivers it.
    far.write(std::string("\x13\x37\xA1\x07\x00\x10\x01\x02\x03", 9));
    far.write(std::string("\x04\x05\x00\x01\x02\x03\x04\x2B\x02\x05\x03", 11));
    // The decoding itself is the frame window test's.
    EXPECT_TRUE(spinUntil([&] { return form().text(kVoltageReadout) == "12.345"; })) << form().text(kVoltageReadout);
}

TEST_F(PortControlTest, AnUnpluggedAdapterIsReopenedAndRecordingShowsLiveValuesAgain) {
    const std::string frame("\xA1\x07\x00\x10\x01\x02\x03\x04\x05\x00\x01\x02\x03\x04\x2B\x02\x05\x03", 18);
    auto far = std::make_unique<PtyLink>(1);
    startWindow();
    click(kOpenPortButton);
    ASSERT_EQ(form().fillColour(kPortLamp), kLampGreen);
    const auto lampTip = [&] { return form().toolTip(kPortLamp); };
    far.reset();  // unplugged: the far end and its COM1 link go
    ASSERT_TRUE(spinUntil([&] { return lampTip().contains("went away"); }, 4000)) << lampTip().toStdString();
    EXPECT_EQ(form().fillColour(kPortLamp), kLampGreen);

    far = std::make_unique<PtyLink>(1);  // back, as another device behind the same name
    ASSERT_TRUE(spinUntil([&] { return !context().port.deviceGone(); }, 4000));
    far->write(frame);
    ASSERT_TRUE(spinUntil([&] { return form().text(kVoltageReadout) == "12.345"; })) << form().text(kVoltageReadout);
    form().setChecked(kRecordBox, 1);
    form().raise(kRecordingTimer, platform::kTimerFired);  // creates the day's file
    form().raise(kRecordingTimer, platform::kTimerFired);  // and writes a row of live values
    settleRecording();
    std::string rows;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".csv") rows += readFile(entry.path());
    EXPECT_NE(rows.find(",12.345,V,1.234,A,"), std::string::npos) << rows;
    EXPECT_TRUE(spinUntil([&] { return lampTip().contains("came back"); }, 4000)) << lampTip().toStdString();
    EXPECT_EQ(form().fillColour(kPortLamp), kLampGreen);
}

TEST_F(PortControlTest, NoSelectedPortFailsWithoutOpeningAnything) {
    PtyLink far(1);
    startWindow();
    click(kOpenPortButton);
    ASSERT_EQ(form().fillColour(kPortLamp), kLampGreen);
    form().setComboIndex(kPortNumberCombo, -1);  // a "Port" of 0, 21 or text selects nothing
    click(kOpenPortButton);
    EXPECT_EQ(form().fillColour(kPortLamp), kLampRed);
    EXPECT_FALSE(context().port.isOpen()) << "the unit's rule would have opened COM1";
    EXPECT_NE(form().toolTip(kPortLamp).indexOf("No port number is selected"), -1);
    EXPECT_NE(settings().find("Port=0\r\n"), std::string::npos) << settings();
}

struct HistoryCase {
    const char* name;
    ConnectionHistory history;
    const char* mustContain;
};

class ConnectionTooltipTest : public ::testing::TestWithParam<HistoryCase> {};

TEST_P(ConnectionTooltipTest, SaysWhenAndHowOften) {
    const std::string tip = connectionTooltip(1, "COM1", GetParam().history);
    EXPECT_NE(tip.find(GetParam().mustContain), std::string::npos) << tip;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionTooltipTest,
    ::testing::Values(
        HistoryCase{"Away", {1, true, "", "12:03:04", "", ""}, "COM1 (COM1) went away at 12:03:04"},
        HistoryCase{"AwayAgain", {3, true, "", "12:03:04", "12:00:00", ""}, "Times lost since the port was opened: 3."},
        HistoryCase{"AnotherDeviceInItsPlace",
                    {1, true, "", "12:03:04", "", "/dev/ttyACM0 (2341:0043 Arduino Uno) is not the meter's adapter"},
                    "opened: 1. /dev/ttyACM0 (2341:0043 Arduino Uno) is not the meter's adapter: it is left untouched, "
                    "and COM1 waits for the meter's adapter."},
        HistoryCase{"Back", {2, false, "", "12:03:04", "12:03:06", ""}, "It went away at 12:03:04 and came back at 12:03:06. Times lost since the port was opened: 2."},
        HistoryCase{"BackOnce", {1, false, "", "12:03:04", "12:03:06", ""}, "opened: 1."},
        HistoryCase{"GivenUp", {1, false, "COM1 is a regular file, not a serial device", "12:03:04", "", ""},
                    "no longer watched for: COM1 is a regular file"}),
    [](const auto& info) { return std::string(info.param.name); });

struct TooltipCase {
    const char* name;
    int port;
    bool opened;
    const char* device;
    const char* error;
    const char* mustContain;
};

class LampTooltipTest : public ::testing::TestWithParam<TooltipCase> {};

TEST_P(LampTooltipTest, SaysWhatToDo) {
    const TooltipCase& c = GetParam();
    const std::string tip = lampTooltip(c.port, c.opened, c.device, c.error, {"./COM3", "/dev/ttyUSB2"});
    EXPECT_NE(tip.find(c.mustContain), std::string::npos) << tip;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LampTooltipTest,
    ::testing::Values(TooltipCase{"Open", 3, true, "/dev/ttyUSB2", "", "COM3 is open on /dev/ttyUSB2"},
                      TooltipCase{"NoDevice", 3, false, "", "", "tried ./COM3, /dev/ttyUSB2"},
                      TooltipCase{"Permission", 3, false, "/dev/ttyUSB2", "Permission denied", "dialout"},
                      TooltipCase{"Busy", 3, false, "/dev/ttyUSB2", "Device or resource busy", "Another program"},
                      TooltipCase{"NoNumber", 0, false, "", "", "No port number"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
