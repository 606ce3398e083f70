// The Win32 engine end to end against a Linux pseudo-terminal that wine maps
// as a COM port (scripts/wine-serial-check.sh starts the far end, maps it and
// names the port in KZRT_WINE_COM). The far end obeys text commands sent on
// the line itself (tests/serial/wine/far_end.cpp). The cases run in order:
// the last one unplugs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "serial/port_channel.h"

namespace serial {
namespace {

using Clock = std::chrono::steady_clock;

class WineSerialTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* port = std::getenv("KZRT_WINE_COM");
        if (port == nullptr) GTEST_SKIP() << "needs the far end that scripts/wine-serial-check.sh starts";
        m_settings.portNumber = std::atoi(port);
        m_settings.baudRate = 2400;
        m_settings.parity = kParityEven;
        m_settings.parityCheck = 1;
        ASSERT_TRUE(m_channel.open(m_settings)) << m_channel.lastError().message;
    }

    // Received bytes until `count` arrived or `ms` passed; other notifications
    // are kept in m_status.
    std::string receive(std::size_t count, int ms = 5000)
    {
        std::string bytes;
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (bytes.size() < count && Clock::now() < end) {
            for (const Notification& n : m_channel.takeNotifications()) {
                if (n.code == kByteReceived) {
                    bytes.push_back(static_cast<char>(n.value));
                } else {
                    m_status.push_back(n.code);
                }
            }
            Sleep(1);
        }
        return bytes;
    }

    bool statusArrives(std::uint16_t code, int ms = 3000)
    {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (std::find(m_status.begin(), m_status.end(), code) == m_status.end()) {
            if (Clock::now() > end) return false;
            receive(1, 10);
        }
        return true;
    }

    PortSettings m_settings;
    PortChannel m_channel{[] {}};
    std::vector<std::uint16_t> m_status;
};

TEST_F(WineSerialTest, ReadsEveryByteValueOnceAt2400EightEvenOne)
{
    ASSERT_TRUE(m_channel.send("ALL\n"));
    std::string expected;
    for (int i = 0; i < 256; ++i) expected.push_back(static_cast<char>(i));
    const std::string got = receive(257, 1000);  // one more than sent: 0xFF must not double
    EXPECT_EQ(got, expected);
}

TEST_F(WineSerialTest, SendsWhatItIsGivenAndTimesTheRoundTrip)
{
    ASSERT_TRUE(m_channel.send("ECHO 2\nXT"));
    EXPECT_EQ(receive(2), "XT");
    std::vector<double> trips;
    for (int i = 0; i < 50; ++i) {
        const auto start = Clock::now();
        ASSERT_TRUE(m_channel.send("ECHO 1\nZ"));
        ASSERT_EQ(receive(1), "Z");
        trips.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(trips.begin(), trips.end());
    std::printf("round trip under wine: median %.2f ms, max %.2f ms over %zu\n", trips[trips.size() / 2],
                trips.back(), trips.size());
}

TEST_F(WineSerialTest, TakesA64KiBFloodWhole)
{
    constexpr long kFlood = 64 * 1024;
    ASSERT_TRUE(m_channel.send("FLOOD " + std::to_string(kFlood) + "\n"));
    const std::string got = receive(kFlood, 20000);
    ASSERT_EQ(got.size(), static_cast<std::size_t>(kFlood));
    for (long i = 0; i < kFlood; ++i) {
        ASSERT_EQ(static_cast<unsigned char>(got[i]), (i * 31 + 7) & 0xFF) << "byte " << i;
    }
    EXPECT_FALSE(m_channel.deviceGone());
}

TEST_F(WineSerialTest, ReportsClearToSendGoingOnAndOff)
{
    ASSERT_TRUE(m_channel.send("LINES 0x20\n"));  // TIOCM_CTS
    EXPECT_TRUE(statusArrives(kCtsOn));
    ASSERT_TRUE(m_channel.send("LINES 0\n"));
    EXPECT_TRUE(statusArrives(kCtsOff));
    EXPECT_FALSE(m_channel.deviceGone());
}

TEST_F(WineSerialTest, SeesTheDeviceGoWhenTheFarEndUnplugs)
{
    ASSERT_TRUE(m_channel.send("UNPLUG\n"));
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (!m_channel.deviceGone() && Clock::now() < end) Sleep(10);
    EXPECT_TRUE(m_channel.deviceGone());
    EXPECT_FALSE(m_channel.send("X"));
}

}  // namespace
}  // namespace serial
