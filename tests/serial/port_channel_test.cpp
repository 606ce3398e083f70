// The Qt-free engine against a pseudo-terminal, with the test thread in the
// GUI thread's place.
#include "serial/port_channel.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/serial/pty_far_end.h"

// Designated initializers leave the fields they skip at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace serial {
namespace {

using namespace std::chrono_literals;

constexpr int kPort = 41;

PortSettings settingsFor(int port = kPort) {  // the console's: 8 data bits, even parity with checking
    return {.portNumber = port, .baudRate = 2400, .parityCheck = 1, .parity = kParityEven};
}

// Waits (on this thread) until the channel has queued `count` bytes.
std::string collectBytes(PortChannel& channel, std::size_t count, std::chrono::milliseconds within = 10s) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
        for (const Notification& n : channel.takeNotifications())
            if (n.code == kByteReceived) got += static_cast<char>(n.value);
        std::this_thread::sleep_for(1ms);
    }
    return got;
}

class PortChannelTest : public ::testing::Test {
protected:
    void SetUp() override { dir.link(kPort, far.slavePath()); }
    testing::ScratchDirectory dir;
    testing::PtyFarEnd far;
};

TEST_F(PortChannelTest, QueueStaysBoundedWhileTheGuiThreadLagsAndNothingIsLost) {
    constexpr std::size_t kLimit = 4096;
    PortChannel channel({}, kLimit);
    ASSERT_TRUE(channel.open(settingsFor())) << channel.lastError().message;

    // Parity checking is on: each 0xFF comes doubled off the device and must come out single.
    const std::string flood = testing::noise(1 << 20);
    std::thread writer([&] { far.write(flood); });
    std::this_thread::sleep_for(300ms);  // the "GUI thread" is busy
    EXPECT_GE(channel.queue().size(), kLimit);

    const std::string got = collectBytes(channel, flood.size());
    writer.join();
    EXPECT_TRUE(got == flood) << got.size() << " bytes came, out of order or altered";
    // A chunk may overshoot the limit once; then the reader waits for room.
    EXPECT_LE(channel.queue().highWaterMark(), kLimit + 16 * 1024);
}

TEST_F(PortChannelTest, SendWorksWhileTheQueueIsFullAndDiscardsBytesNotYetRead) {
    // A full queue keeps the reader off the device, so later bytes stay unread.
    PortChannel channel({}, 1);
    ASSERT_TRUE(channel.open(settingsFor()));
    far.write("1");
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!channel.queue().isFull() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(channel.queue().isFull());
    far.write("unread");
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(channel.send("XT"));
    EXPECT_EQ(far.read(2), "XT");
    far.write("2");
    EXPECT_EQ(collectBytes(channel, 2), "12");
}

TEST_F(PortChannelTest, AFailedOpenTellsWhyAndLeavesThePortClosed) {
    PortChannel first({});
    PortChannel second({});
    ASSERT_TRUE(first.open(settingsFor()));
    EXPECT_FALSE(second.open(settingsFor()));
    EXPECT_EQ(second.lastError().kind, PortErrorKind::Busy);
    EXPECT_NE(second.lastError().message.find("busy"), std::string::npos) << second.lastError().message;
    first.close();
    EXPECT_TRUE(second.open(settingsFor())) << second.lastError().message;

    EXPECT_FALSE(first.open(settingsFor(kPort + 1)));
    EXPECT_EQ(first.lastError().kind, PortErrorKind::NotFound);
    EXPECT_FALSE(first.open(settingsFor(0)));
    EXPECT_EQ(first.lastError().kind, PortErrorKind::NoPortNumber);
    second.close();
    PortSettings s = settingsFor();
    s.baudRate = 0;
    EXPECT_FALSE(first.open(s));
    EXPECT_FALSE(first.isOpen());
    EXPECT_EQ(first.lastError().kind, PortErrorKind::SettingsRefused) << first.lastError().message;
    // The port itself was never the problem, and Linux takes any baud rate.
    s.baudRate = 250000;
    EXPECT_TRUE(first.open(s)) << first.lastError().message;
}

}  // namespace
}  // namespace serial
