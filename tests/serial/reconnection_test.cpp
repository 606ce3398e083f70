// A device that goes away while the port is open and comes back as a new
// pseudo-terminal behind the same COMn link: the engine reopens it by itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "serial/port_channel.h"
#include "tests/serial/pty_far_end.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace serial {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kPort = 43;

PortSettings consoleSettings() {
    return {.portNumber = kPort, .baudRate = 2400, .parityCheck = 1, .parity = kParityEven};
}

bool eventually(const std::function<bool()>& done, std::chrono::milliseconds within = 5s) {
    const auto deadline = Clock::now() + within;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

std::size_t openDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

class Reconnection : public ::testing::Test {
protected:
    Reconnection() : far(std::make_unique<testing::PtyFarEnd>()) { dir.link(kPort, far->slavePath()); }

    // The adapter is pulled: the far end goes, the link is left dangling.
    void unplug() { far.reset(); }
    // It comes back as another pseudo-terminal behind the same link.
    void plugBackIn() {
        far = std::make_unique<testing::PtyFarEnd>();
        dir.link(kPort, far->slavePath());
    }
    // Bytes queued so far, in order.
    std::string drain() {
        for (const Notification& n : channel.takeNotifications())
            if (n.code == kByteReceived) received += static_cast<char>(n.value);
        return received;
    }
    bool receivedEventually(const std::string& all, std::chrono::milliseconds within = 5s) {
        return eventually([&] { return drain().size() >= all.size(); }, within) && received == all;
    }

    testing::ScratchDirectory dir;
    std::unique_ptr<testing::PtyFarEnd> far;
    PortChannel channel{{}};
    std::string received;
};

TEST_F(Reconnection, BytesResumeInOrderAfterTheDeviceComesBackAndNothingLeaks) {
    const std::size_t descriptorsBefore = openDescriptors();
    ASSERT_TRUE(channel.open(consoleSettings())) << channel.lastError().message;
    far->write("before");
    ASSERT_TRUE(receivedEventually("before")) << received;

    unplug();
    ASSERT_TRUE(eventually([&] { return channel.deviceGone(); }));
    EXPECT_TRUE(channel.isOpen());
    EXPECT_FALSE(channel.send("X")) << "nothing to write to while the device is away";
    ReconnectionState state = channel.reconnection();
    EXPECT_EQ(state.losses, 1);
    EXPECT_TRUE(state.waiting);

    plugBackIn();
    ASSERT_TRUE(eventually([&] { return !channel.deviceGone(); })) << "the device was not reopened";
    far->write("after");
    EXPECT_TRUE(receivedEventually("beforeafter")) << received;
    state = channel.reconnection();
    EXPECT_EQ(state.returns, 1);
    EXPECT_FALSE(state.waiting);
    EXPECT_EQ(channel.device(), "COM" + std::to_string(kPort));
    // Writing works again, on the new device.
    EXPECT_TRUE(channel.send("XT"));
    EXPECT_EQ(far->read(2), "XT");
    channel.close();
    // The far end holds one descriptor now, as it did at the start.
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
}

TEST_F(Reconnection, BytesSentBeforeTheReopenAreNotDeliveredAfterIt) {
    ASSERT_TRUE(channel.open(consoleSettings()));
    unplug();
    ASSERT_TRUE(eventually([&] { return channel.deviceGone(); }));
    // The new device holds bytes from before the unit opened it: the reopen
    // starts from an empty line, as Open does.
    far = std::make_unique<testing::PtyFarEnd>();
    far->write("stale");
    dir.link(kPort, far->slavePath());
    ASSERT_TRUE(eventually([&] { return !channel.deviceGone(); }));
    far->write("fresh");
    EXPECT_TRUE(receivedEventually("fresh")) << received;
}

TEST_F(Reconnection, WaitingUsesNoCpuAndCloseEndsItAtOnce) {
    ASSERT_TRUE(channel.open(consoleSettings()));
    unplug();
    ASSERT_TRUE(eventually([&] { return channel.deviceGone(); }));
    const auto before = channel.readerCpuTime();
    ASSERT_TRUE(before.has_value());
    std::this_thread::sleep_for(2s);
    const auto used = *channel.readerCpuTime() - *before;
    // A spinning reader would use the whole two seconds; a few stat() calls
    // a second are microseconds.
    EXPECT_LT(used, 20ms) << std::chrono::duration<double, std::milli>(used).count() << " ms of CPU";

    const auto start = Clock::now();
    channel.close();
    EXPECT_LT(Clock::now() - start, 500ms) << "Close waited for the next look for the device";
    EXPECT_FALSE(channel.isOpen());
    // Nothing watches any more: a device appearing now is not opened.
    plugBackIn();
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(channel.isOpen());
}

bool sameLineSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           ::cfgetospeed(&a) == ::cfgetospeed(&b);
}

TEST_F(Reconnection, APtyNumberReusedBehindTheUnchangedLinkIsLeftAloneUntilTheLinkIsPutBack) {
    ASSERT_TRUE(channel.open(consoleSettings()));
    const std::string number = far->slavePath();
    unplug();
    ASSERT_TRUE(eventually([&] { return channel.deviceGone(); }));
    // Another program's terminal gets the freed number; COM<n> still names it.
    std::unique_ptr<testing::PtyFarEnd> terminal;
    std::vector<std::unique_ptr<testing::PtyFarEnd>> others;
    while (!terminal && others.size() < 64) {
        auto pty = std::make_unique<testing::PtyFarEnd>();
        (pty->slavePath() == number ? terminal : others.emplace_back()) = std::move(pty);
    }
    others.clear();
    if (!terminal) GTEST_SKIP() << "the system did not hand out " << number << " again";
    const termios untouched = terminal->lineSettings();
    // The unit has looked at it once it either refused it or took it.
    ASSERT_TRUE(eventually([&] { return !channel.reconnection().refused.empty() || !channel.deviceGone(); }, 3s));
    terminal->write("secret\n");
    std::this_thread::sleep_for(1200ms);  // past the next periodic look
    EXPECT_EQ(drain(), "");
    EXPECT_TRUE(sameLineSettings(terminal->lineSettings(), untouched)) << "the terminal was configured";
    EXPECT_TRUE(channel.deviceGone());
    EXPECT_NE(channel.reconnection().refused.find("another program"), std::string::npos)
        << channel.reconnection().refused;

    // The simulator, started again, links its terminal anew: that is reopened.
    far = std::move(terminal);
    dir.link(kPort, number);
    ASSERT_TRUE(eventually([&] { return !channel.deviceGone(); }));
    EXPECT_FALSE(sameLineSettings(far->lineSettings(), untouched));
    far->write("meter");
    EXPECT_TRUE(receivedEventually("meter")) << received;
}

struct NotATerminalCase {
    const char* name;
    std::function<std::string(const std::filesystem::path&)> make;  // gives the link's target
};

class LinkToSomethingElse : public Reconnection, public ::testing::WithParamInterface<NotATerminalCase> {};

TEST_P(LinkToSomethingElse, FailsToOpenClearlyAndIsRefusedWhileTheMeterIsAwaited) {
    const std::string target = GetParam().make(std::filesystem::current_path() / "not-a-port");
    dir.link(kPort + 1, target);
    PortChannel other({});
    EXPECT_FALSE(other.open({.portNumber = kPort + 1, .baudRate = 2400}));
    EXPECT_EQ(other.lastError().kind, PortErrorKind::NotATerminal);
    EXPECT_NE(other.lastError().message.find("not a serial device"), std::string::npos) << other.lastError().message;

    // The same link, turning into something else while the device is away:
    // refused, said why, and the meter is still waited for.
    ASSERT_TRUE(channel.open(consoleSettings()));
    unplug();
    dir.link(kPort, target);
    ASSERT_TRUE(eventually([&] { return !channel.reconnection().refused.empty(); }, 3s));
    ReconnectionState state = channel.reconnection();
    EXPECT_NE(state.refused.find("not a serial device"), std::string::npos) << state.refused;
    EXPECT_TRUE(state.waiting);
    EXPECT_TRUE(state.abandoned.empty());
    EXPECT_TRUE(channel.deviceGone());
    plugBackIn();
    EXPECT_TRUE(eventually([&] { return !channel.deviceGone(); })) << "the meter's return was missed";
    EXPECT_TRUE(channel.reconnection().refused.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinkToSomethingElse,
    ::testing::Values(
        NotATerminalCase{"RegularFile", [](const auto& p) { std::ofstream(p) << "x"; return p.string(); }},
        NotATerminalCase{"Folder", [](const auto& p) { std::filesystem::create_directory(p); return p.string(); }},
        NotATerminalCase{"DevNull", [](const auto&) { return std::string("/dev/null"); }}),
    [](const auto& info) { return std::string(info.param.name); });

// Sending purges unread input, but bytes that have already arrived were
// received: whether the reader was gathering a trickle must not decide.
class SendAfterArrival : public Reconnection, public ::testing::WithParamInterface<int> {};

TEST_P(SendAfterArrival, KeepsTheByteThatCameBeforeTheSend) {
    ASSERT_TRUE(channel.open(consoleSettings()));
    far->write("a");  // starts a gathering period
    ASSERT_TRUE(receivedEventually("a"));
    far->write("b");
    std::this_thread::sleep_for(std::chrono::milliseconds(GetParam()));
    ASSERT_TRUE(channel.send("XT"));
    EXPECT_EQ(far->read(2), "XT");
    EXPECT_TRUE(receivedEventually("ab", 1s)) << "lost when sent " << GetParam() << " ms after it arrived";
}

INSTANTIATE_TEST_SUITE_P(Delays, SendAfterArrival, ::testing::Values(1, 5, 10, 17));

}  // namespace
}  // namespace serial
