// The Qt-free engine against a pseudo-terminal, with the test thread in the
// GUI thread's place.
#include "serial/port_channel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/serial/pty_far_end.h"

namespace serial {
namespace {

using namespace std::chrono_literals;

constexpr int kPort = 41;

PortSettings settingsFor(int port) {
    PortSettings s;
    s.portNumber = port;
    s.baudRate = 2400;
    s.parity = kParityEven;
    s.parityCheck = 1;
    return s;
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

std::string pattern(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t x = 2463534242u;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return bytes;
}

class PortChannelTest : public ::testing::Test {
protected:
    void SetUp() override { dir.link(kPort, far.slavePath()); }
    testing::ScratchDirectory dir;
    testing::PtyFarEnd far;
    std::atomic<int> nudges{0};
};

TEST_F(PortChannelTest, QueueStaysBoundedWhileTheGuiThreadLagsAndNothingIsLost) {
    constexpr std::size_t kLimit = 4096;
    PortChannel channel([this] { ++nudges; }, kLimit);
    ASSERT_TRUE(channel.open(settingsFor(kPort))) << channel.lastError().message;

    // Parity checking is on: every 0xFF comes doubled off the device and must
    // come out single.
    const std::string flood = pattern(1 << 20);
    std::thread writer([&] { far.write(flood); });
    std::this_thread::sleep_for(300ms);  // the "GUI thread" is busy
    const std::size_t lagging = channel.queue().size();
    EXPECT_GE(lagging, kLimit);
    // A chunk may overshoot the limit once; then the reader waits for room.
    EXPECT_LE(channel.queue().highWaterMark(), kLimit + 16 * 1024);

    const std::string got = collectBytes(channel, flood.size());
    writer.join();
    EXPECT_EQ(got.size(), flood.size());
    EXPECT_TRUE(got == flood) << "bytes out of order or altered";
    EXPECT_LE(channel.queue().highWaterMark(), kLimit + 16 * 1024);
    EXPECT_GE(nudges.load(), 1);
}

TEST_F(PortChannelTest, SendWorksWhileTheQueueIsFull) {
    PortChannel channel({}, 64);
    ASSERT_TRUE(channel.open(settingsFor(kPort)));
    far.write(std::string(200, 'a'));
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!channel.queue().isFull() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(channel.queue().isFull());
    EXPECT_TRUE(channel.send("XT"));
    EXPECT_EQ(far.read(2), "XT");
}

TEST_F(PortChannelTest, SendDiscardsBytesNotYetRead) {
    // A full queue keeps the reader off the device, so these bytes stay unread.
    PortChannel channel({}, 1);
    ASSERT_TRUE(channel.open(settingsFor(kPort)));
    far.write("1");  // fills the queue
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!channel.queue().isFull() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
    far.write("unread");
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(channel.send("X"));
    EXPECT_EQ(far.read(1), "X");
    far.write("2");
    EXPECT_EQ(collectBytes(channel, 2), "12");
}

TEST_F(PortChannelTest, ASecondOpenOfTheSamePortIsRefusedAsBusy) {
    PortChannel first({});
    PortChannel second({});
    ASSERT_TRUE(first.open(settingsFor(kPort)));
    EXPECT_FALSE(second.open(settingsFor(kPort)));
    EXPECT_EQ(second.lastError().kind, PortErrorKind::Busy);
    EXPECT_NE(second.lastError().message.find("busy"), std::string::npos) << second.lastError().message;
    first.close();
    EXPECT_TRUE(second.open(settingsFor(kPort))) << second.lastError().message;
}

TEST_F(PortChannelTest, RefusedConfigurationsFailTheOpenAndLeaveThePortClosed) {
    PortChannel channel({});
    const auto refused = [&](auto change) {
        PortSettings s = settingsFor(kPort);
        change(s);
        const bool opened = channel.open(s);
        EXPECT_FALSE(channel.isOpen());
        return !opened && channel.lastError().kind == PortErrorKind::SettingsRefused;
    };
    EXPECT_TRUE(refused([](PortSettings& s) { s.dataBits = 9; }));
    EXPECT_TRUE(refused([](PortSettings& s) { s.stopBits = kOneAndHalfStopBits; }));
    EXPECT_TRUE(refused([](PortSettings& s) { s.baudRate = 0; }));
    // The port itself was never the problem.
    EXPECT_TRUE(channel.open(settingsFor(kPort))) << channel.lastError().message;
}

TEST_F(PortChannelTest, AnyBaudRateOnLinux) {
    PortChannel channel({});
    PortSettings s = settingsFor(kPort);
    s.baudRate = 250000;
    EXPECT_TRUE(channel.open(s)) << channel.lastError().message;
}

TEST_F(PortChannelTest, MissingDeviceTellsTheSystemsReason) {
    PortChannel channel({});
    EXPECT_FALSE(channel.open(settingsFor(kPort + 1)));
    EXPECT_EQ(channel.lastError().kind, PortErrorKind::NotFound);
    EXPECT_EQ(channel.lastError().message, std::system_category().message(ENOENT));
    EXPECT_FALSE(channel.open(settingsFor(0)));
    EXPECT_EQ(channel.lastError().kind, PortErrorKind::NoPortNumber);
}

}  // namespace
}  // namespace serial
