// Received bytes through the real window: the port's DataArrived event, the
// read-outs, the update stamp and the clock's integration.
#include <QWidget>
#include <cstdlib>
#include <vector>

#include "console/frame_receiving.h"
#include "console/port_control.h"
#include "console_fixture.h"
#include "runtime/date_time.h"

using namespace console;
using console::testing::ConsoleFixture;

namespace {

constexpr int kDataArrived = 1;

using Bytes = std::vector<int>;

const Bytes kExampleFrame = {0xA1, 0x07, 0x00, 0x10, 0x01, 0x02, 0x03, 0x04, 0x05,
                             0x00, 0x01, 0x02, 0x03, 0x04, 0x2B, 0x02, 0x05, 0x03};
const Bytes kSmallFrame = {0xA0, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00,
                           0x00, 0x02, 0x00, 0x00, 0x00, 0x2D, 0x00, 0x05, 0x00};

class FrameWindowTest : public ConsoleFixture {
protected:
    FrameWindowTest() {
        runtime::SetClockForTesting([this] { return m_now; });
        runtime::SetMonotonicClockForTesting([this] { return m_monotonicMs; });
        setTime(13, 12, 34);
        startWindow();
    }
    ~FrameWindowTest() override {
        runtime::SetClockForTesting({});
        runtime::SetMonotonicClockForTesting({});
    }

    void setTime(int hour, int minute, int second) {
        m_now = runtime::MakeDateTime(2024, 5, 1, hour, minute, second);
    }
    void feed(const Bytes& bytes) {
        for (int byte : bytes) {
            const std::int32_t arg = byte;
            form().raise(kPort, kDataArrived, std::span<const std::int32_t>(&arg, 1));
        }
    }
    // Voltage, current, temperature, power, resistance.
    std::vector<std::string> readouts() {
        return {form().text(kVoltageReadout), form().text(kCurrentReadout), form().text(kTemperatureReadout),
                form().text(kPowerReadout), form().text(kResistanceReadout)};
    }

    std::int64_t m_monotonicMs = 5000;

private:
    runtime::DateTime m_now = 0.0;
};

using Texts = std::vector<std::string>;

TEST_F(FrameWindowTest, FramesFillTheReadoutsAndLeaveNoFrameText) {
    feed(kExampleFrame);
    EXPECT_EQ(readouts(), (Texts{"12.345", "1.234", "+25.3", "15.234", "10.004"}));
    EXPECT_EQ(form().text(kFrameText), "");
    EXPECT_EQ(window->values().frameText, "");
    EXPECT_EQ(form().text(kEnergyReadout), "0");
    EXPECT_EQ(form().text(kChargeReadout), "0");

    feed(kSmallFrame);
    EXPECT_EQ(readouts(), (Texts{"0.5000", "0.2000", "-5.0", "0.1000", "2.5000"}));
}

TEST_F(FrameWindowTest, UnknownCodesKeepTheirReadoutsButPowerAndResistanceFollow) {
    feed(kExampleFrame);
    // Voltage 0.5000 under 160; current code 5 and sign code 2 are unknown.
    feed({0xA0, 0x00, 0x00, 0x05, 0x00, 0x05, 0x00, 0x00, 0x00, 0x09, 0x09, 0x09, 0x09, 0x09, 0x02, 0x09, 0x09, 0x09});
    EXPECT_EQ(readouts(), (Texts{"0.5000", "1.234", "+25.3", "0.6170", "0.4052"}));
}

TEST_F(FrameWindowTest, EveryByteStampsTheTimeButOnlyFramesChangeReadouts) {
    EXPECT_EQ(form().text(kUpdateStamp), "");
    EXPECT_FALSE(window->values().lastByteMonotonicMs.has_value());

    feed({0x41, 0x0D, 0x0A});  // meter text output, outside any frame
    EXPECT_EQ(form().text(kUpdateStamp), "754");
    EXPECT_EQ(window->values().lastByteMonotonicMs, 5000);
    EXPECT_EQ(readouts(), (Texts{"0", "0", "0", "0", "0"}));

    // Inside a frame too, byte by byte.
    feed(Bytes(kExampleFrame.begin(), kExampleFrame.begin() + 17));
    setTime(13, 59, 59);
    m_monotonicMs = 7250;
    EXPECT_EQ(readouts(), (Texts{"0", "0", "0", "0", "0"}));
    feed({kExampleFrame.back()});
    EXPECT_EQ(form().text(kUpdateStamp), "3599");
    EXPECT_EQ(window->values().lastByteMonotonicMs, 7250);
    EXPECT_EQ(readouts()[0], "12.345");

    setTime(14, 0, 7);
    feed({0xFF});
    EXPECT_EQ(form().text(kUpdateStamp), "7");
    EXPECT_EQ(readouts()[0], "12.345");
}

TEST_F(FrameWindowTest, ClosingThePortDropsAPartFrame) {
    feed(Bytes(kExampleFrame.begin(), kExampleFrame.begin() + 10));
    closePort(context());
    EXPECT_EQ(window->values().frameText, "");
    // Bytes still queued from before the close must not complete a frame.
    feed(Bytes(kExampleFrame.begin() + 10, kExampleFrame.end()));
    EXPECT_EQ(readouts(), (Texts{"0", "0", "0", "0", "0"}));
}

TEST_F(FrameWindowTest, AnHourOfClockTicksIntegratesEnergyAndCharge) {
    form().setText(kVoltageReadout, "12.000");
    form().setText(kCurrentReadout, "2.0000");
    for (int second = 0; second < 3600; ++second) form().raise(kClockTimer, platform::kTimerFired);
    EXPECT_EQ(window->values().energyAccumulator, 86400.0);
    EXPECT_EQ(window->values().chargeAccumulator, 7200.0);
    EXPECT_EQ(form().text(kEnergyReadout), "24.000");
    EXPECT_EQ(form().text(kChargeReadout), "2.0000");
    EXPECT_EQ(form().text(kHoursReadout) + ":" + form().text(kMinutesReadout) + ":" + form().text(kSecondsReadout),
              "1:0:0");
}

TEST_F(FrameWindowTest, TheTotalsKeepTheirTextAtTenThousand) {
    form().setText(kEnergyReadout, "9999.9");
    window->values().energyAccumulator = 10000.0 * 3600.0 - 1.0;
    form().setText(kVoltageReadout, "1.000");
    form().setText(kCurrentReadout, "1.0000");
    accumulateOneSecond(context());
    EXPECT_EQ(form().text(kEnergyReadout), "9999.9");
    accumulateOneSecond(context());
    EXPECT_EQ(form().text(kEnergyReadout), "10000");
}

}  // namespace
