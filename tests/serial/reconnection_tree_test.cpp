// The reconnection policy on a made-up /sys and /dev: what the sightings tell
// of links, files and devices, and a port found by the port-number rules
// whose adapter goes away while other devices turn up. The device nodes lead
// to pseudo-terminals, so the engine really opens (or leaves alone) them.
//
// A pseudo-terminal opens only through its own devpts file, so the made-up
// /dev gets its nodes by bind mounts, made in a mount namespace of this test
// process's own (as root): nothing of them shows outside it, and they go
// with the process.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "serial/device_sighting.h"
#include "serial/port_channel.h"
#include "tests/serial/pty_far_end.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace serial {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool eventually(const std::function<bool()>& done, std::chrono::milliseconds within = 5s) {
    const auto deadline = Clock::now() + within;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

bool sameLineSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           ::cfgetospeed(&a) == ::cfgetospeed(&b);
}

// Enters a mount namespace of this process's own, once; "" or why not.
std::string privateMounts() {
    static const std::string why = [] {
        if (::unshare(CLONE_NEWNS) != 0) return "no mount namespace of its own: " + std::string(std::strerror(errno));
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return "mounts cannot be made private: " + std::string(std::strerror(errno));
        return std::string{};
    }();
    return why;
}

// /sys and /dev in the working directory, laid out as the kernel lays out
// USB-serial adapters.
class ScratchTree {
public:
    ScratchTree() : m_root(fs::current_path()) { fs::create_directories(m_root / "dev/serial/by-id"); }
    ~ScratchTree() {
        for (const std::string& name : m_mounted) ::umount2(dev(name).c_str(), MNT_DETACH);
    }

    DeviceTree tree() const {
        return {(m_root / "sys/class/tty").string(), (m_root / "dev/serial/by-id").string(), (m_root / "dev").string(),
                (m_root / "sys/dev/char").string()};
    }
    std::string dev(const std::string& name) const { return (m_root / "dev" / name).string(); }

    // The tty `name` of a USB adapter plugged in at `usbDevice` ("1-2").
    void adapter(const std::string& name, const std::string& usbDevice, const std::string& vendor,
                 const std::string& product, const std::string& serialNumber) const {
        const fs::path usb = m_root / "sys/devices/usb1" / usbDevice;
        fs::create_directories(usb / (usbDevice + ":1.0") / name);
        for (auto [file, value] : {std::pair{"idVendor", vendor}, {"idProduct", product}, {"serial", serialNumber}})
            if (!value.empty()) std::ofstream(usb / file) << value << "\n";
        fs::create_directories(m_root / "sys/class/tty" / name);
        fs::create_directory_symlink(usb / (usbDevice + ":1.0") / name, m_root / "sys/class/tty" / name / "device");
    }
    // The device `name` for the pseudo-terminal slave at `slave`; "" or why not.
    std::string node(const std::string& name, const std::string& slave) {
        if (std::string why = privateMounts(); !why.empty()) return why;
        std::ofstream(dev(name)).close();
        if (::mount(slave.c_str(), dev(name).c_str(), nullptr, MS_BIND, nullptr) != 0)
            return "cannot bind " + slave + ": " + std::strerror(errno);
        m_mounted.push_back(name);
        // A mount makes no change in the folder; udev's permission change
        // right after a device appears does.
        std::ofstream(dev(".udev")).close();
        fs::remove(dev(".udev"));
        return {};
    }
    // What the kernel removes when an adapter is pulled.
    void unplug(const std::string& name) {
        ::umount2(dev(name).c_str(), MNT_DETACH);
        std::erase(m_mounted, name);
        fs::remove(dev(name));
        fs::remove_all(m_root / "sys/class/tty" / name);
    }

private:
    fs::path m_root;
    std::vector<std::string> m_mounted;
};

class ReconnectionTree : public ::testing::Test {
protected:
    testing::ScratchDirectory dir;
    ScratchTree scratch;
};

TEST_F(ReconnectionTree, SightingsTellFilesFoldersAndLinksApart) {
    std::ofstream("file") << "x";
    fs::create_directory("folder");
    dir.link(1, (fs::current_path() / "file").string());
    dir.link(2, (fs::current_path() / "folder").string());
    dir.link(3, "/dev/null");
    dir.link(4, (fs::current_path() / "gone").string());
    const DeviceTree tree = scratch.tree();
    EXPECT_EQ(sightDevice("COM1", tree).kind, DeviceKind::NotADevice);
    EXPECT_NE(sightDevice("COM1", tree).why.find("regular file"), std::string::npos);
    EXPECT_NE(sightDevice("COM2", tree).why.find("folder"), std::string::npos);
    // /dev/null is a device, but the system files it among the memory devices.
    EXPECT_EQ(sightDevice("COM3").kind, DeviceKind::NotATerminal);
    EXPECT_EQ(sightDevice("COM4", tree).kind, DeviceKind::Missing);

    // A link through a by-id name stays with its adapter; a link put back is new.
    fs::create_symlink("../../ttyUSB0", scratch.dev("serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0"));
    dir.link(5, scratch.dev("serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0"));
    const DeviceSighting first = sightDevice("COM5", tree);
    EXPECT_TRUE(first.throughStableName);
    EXPECT_TRUE(first.throughLink);
    EXPECT_FALSE(sightDevice("COM4", tree).throughStableName);
    std::this_thread::sleep_for(10ms);
    dir.link(5, scratch.dev("serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0"));
    EXPECT_NE(sightDevice("COM5", tree).link, first.link);
    EXPECT_EQ(sightDevice("COM5", tree).link.target, first.link.target);
}

PortSettings consoleSettings() {
    return {.portNumber = 1, .baudRate = 2400, .parityCheck = 1, .parity = kParityEven};
}

TEST_F(ReconnectionTree, OnlyTheMeterAdapterIsReopenedWhateverNumberItGets) {
    using testing::PtyFarEnd;
    auto meter = std::make_unique<PtyFarEnd>();
    scratch.adapter("ttyUSB0", "1-2", "0403", "6001", "A50285BI");
    if (const std::string why = scratch.node("ttyUSB0", meter->slavePath()); !why.empty())
        GTEST_SKIP() << "needs root for device nodes in a made-up /dev: " << why;

    PortChannel channel({}, NotificationQueue::kDefaultLimit, scratch.tree());
    std::string received;
    const auto drain = [&] {
        for (const Notification& n : channel.takeNotifications())
            if (n.code == kByteReceived) received += static_cast<char>(n.value);
        return received;
    };
    ASSERT_TRUE(channel.open(consoleSettings())) << channel.lastError().message;
    EXPECT_EQ(channel.device(), scratch.dev("ttyUSB0"));
    meter->write("before");
    ASSERT_TRUE(eventually([&] { return drain() == "before"; })) << received;

    meter.reset();
    ASSERT_TRUE(eventually([&] { return channel.deviceGone(); }));
    scratch.unplug("ttyUSB0");

    // An Arduino turns up as ttyACM0, another adapter of the same make as ttyUSB0.
    PtyFarEnd arduino, twin;
    const termios arduinoUntouched = arduino.lineSettings();
    const termios twinUntouched = twin.lineSettings();
    scratch.adapter("ttyACM0", "1-4", "2341", "0043", "");
    ASSERT_EQ(scratch.node("ttyACM0", arduino.slavePath()), "");
    ASSERT_TRUE(eventually([&] { return channel.reconnection().refused.find("ttyACM0 (2341:0043)") != std::string::npos; }, 3s))
        << channel.reconnection().refused;
    scratch.adapter("ttyUSB0", "1-2", "0403", "6001", "B7777");
    ASSERT_EQ(scratch.node("ttyUSB0", twin.slavePath()), "");
    ASSERT_TRUE(eventually([&] { return channel.reconnection().refused.find("ttyUSB0 (0403:6001, serial number B7777)") != std::string::npos; }, 3s))
        << channel.reconnection().refused;
    arduino.write("G1 X10\n");
    twin.write("other\n");
    std::this_thread::sleep_for(1200ms);  // past the next periodic look
    EXPECT_EQ(drain(), "before");
    EXPECT_TRUE(sameLineSettings(arduino.lineSettings(), arduinoUntouched)) << "the Arduino was configured";
    EXPECT_TRUE(sameLineSettings(twin.lineSettings(), twinUntouched)) << "the other adapter was configured";
    EXPECT_TRUE(channel.deviceGone());
    EXPECT_EQ(channel.device(), scratch.dev("ttyUSB0")) << "the device that went, not one looked at since";

    // The meter's adapter, back in another socket, as ttyUSB1.
    meter = std::make_unique<PtyFarEnd>();
    scratch.adapter("ttyUSB1", "1-3", "0403", "6001", "A50285BI");
    ASSERT_EQ(scratch.node("ttyUSB1", meter->slavePath()), "");
    ASSERT_TRUE(eventually([&] { return !channel.deviceGone(); })) << channel.reconnection().refused;
    EXPECT_EQ(channel.device(), scratch.dev("ttyUSB1"));
    EXPECT_TRUE(channel.reconnection().refused.empty());
    meter->write("after");
    EXPECT_TRUE(eventually([&] { return drain() == "beforeafter"; })) << received;
}

TEST_F(ReconnectionTree, APortWhoseAdapterTheSystemDoesNotDescribeIsNotWatchedForAnything) {
    auto meter = std::make_unique<testing::PtyFarEnd>();
    if (const std::string why = scratch.node("ttyUSB0", meter->slavePath()); !why.empty())
        GTEST_SKIP() << "needs root for device nodes in a made-up /dev: " << why;
    // No sysfs entry: the identity is unknown, and nothing could be told apart from it.
    PortChannel channel({}, NotificationQueue::kDefaultLimit, scratch.tree());
    ASSERT_TRUE(channel.open(consoleSettings())) << channel.lastError().message;
    meter.reset();
    ASSERT_TRUE(eventually([&] { return !channel.reconnection().abandoned.empty(); }, 3s));
    EXPECT_NE(channel.reconnection().abandoned.find("does not tell"), std::string::npos)
        << channel.reconnection().abandoned;
    EXPECT_TRUE(channel.deviceGone());
    EXPECT_TRUE(channel.isOpen());
}

}  // namespace
}  // namespace serial
