#include "serial/port_hints.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

namespace fs = std::filesystem;
using serial::AdapterInfo;

// A made-up /dev and /sys in a temporary folder, laid out as the kernel lays
// out a USB-serial converter, a CDC-ACM board, a built-in port and a device
// known only by its /dev/serial/by-id link.
class FakeDeviceTree {
public:
    FakeDeviceTree() : m_root(fs::temp_directory_path() / ("port_hints_" + std::to_string(::getpid()))) {
        fs::remove_all(m_root);
        for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0"}) touch(dev(name), "");
        usbDevice("devices/pci0/usb1/1-2", {"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"});
        ttyIn("ttyUSB0", "devices/pci0/usb1/1-2/1-2:1.0/ttyUSB0");
        usbDevice("devices/pci0/usb3/3-1", {"2341", "0043", "", "Arduino Uno", ""});
        ttyIn("ttyACM0", "devices/pci0/usb3/3-1/3-1:1.0");
        ttyIn("ttyS0", "devices/platform/serial8250/tty/ttyS0");
        byId("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB0");
        byId("usb-Prolific_PL2303-if00-port0", "ttyUSB1");
    }
    ~FakeDeviceTree() { fs::remove_all(m_root); }

    serial::DeviceTree tree() const { return {(m_root / "sys/class/tty").string(), (m_root / "dev/serial/by-id").string()}; }
    std::string dev(const std::string& name) const { return (m_root / "dev" / name).string(); }
    const fs::path& root() const { return m_root; }

private:
    static void touch(const fs::path& file, const std::string& content) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << content;
    }
    void usbDevice(const std::string& folder, const AdapterInfo& a) {
        const fs::path at = m_root / "sys" / folder;
        // Attribute files end in a line end, as sysfs writes them.
        for (auto [name, value] : {std::pair{"idVendor", a.vendorId}, {"idProduct", a.productId},
                                   {"manufacturer", a.manufacturer}, {"product", a.product}, {"serial", a.serialNumber}}) {
            if (!value.empty()) touch(at / name, value + "\n");
        }
    }
    void ttyIn(const std::string& name, const std::string& deviceFolder) {
        fs::create_directories(m_root / "sys" / deviceFolder);
        fs::create_directories(m_root / "sys/class/tty" / name);
        fs::create_directory_symlink(fs::path("../../..") / deviceFolder, m_root / "sys/class/tty" / name / "device");
    }
    void byId(const std::string& name, const std::string& device) {
        fs::create_directories(m_root / "dev/serial/by-id");
        fs::create_symlink(fs::path("../..") / device, m_root / "dev/serial/by-id" / name);
    }

    fs::path m_root;
};

struct AdapterCase {
    const char* name;
    const char* device;
    AdapterInfo expected;
};

class DescribeAdapterTest : public ::testing::TestWithParam<AdapterCase> {};

TEST_P(DescribeAdapterTest, ReadsTheUsbDeviceAboveTheTty) {
    FakeDeviceTree fake;
    AdapterInfo expected = GetParam().expected;
    if (!expected.hardwarePath.empty()) expected.hardwarePath = fs::canonical(fake.root() / "sys" / expected.hardwarePath);
    EXPECT_EQ(serial::describeAdapter(fake.dev(GetParam().device), fake.tree()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, DescribeAdapterTest,
    ::testing::Values(
        AdapterCase{"UsbSerialTwoLevelsUp", "ttyUSB0",
                    {"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI",
                     "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "1-2:1.0"}},
        AdapterCase{"AcmOneLevelUpWithoutSerial", "ttyACM0", {"2341", "0043", "", "Arduino Uno", "", "", "3-1:1.0"}},
        AdapterCase{"BuiltInPortIsKnownByItsPath", "ttyS0",
                    {.hardwarePath = "devices/platform/serial8250/tty/ttyS0"}},
        AdapterCase{"ByIdOnly", "ttyUSB1", {"", "", "", "", "", "usb-Prolific_PL2303-if00-port0"}},
        AdapterCase{"MissingDevice", "ttyUSB7", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DescribeAdapter, FollowsALinkToItsEnd) {
    FakeDeviceTree fake;
    const fs::path link = fake.root() / "COM4";
    fs::create_symlink(fake.dev("ttyACM0"), link);
    EXPECT_EQ(serial::describeAdapter(link.string(), fake.tree()).product, "Arduino Uno");
}

TEST(CurrentPortHints, AComLinkInTheWorkingDirectoryShowsItsDeviceAndAdapter) {
    FakeDeviceTree fake;
    const fs::path oldDir = fs::current_path();
    fs::current_path(fake.root());
    fs::create_symlink(fake.dev("ttyUSB0"), "COM7");
    fs::create_symlink(fake.root() / "gone", "COM8");  // a dangling link leads nowhere
    const std::vector<serial::PortHint> hints = serial::currentPortHints(20, fake.tree());
    fs::current_path(oldDir);

    const auto at = [&](int number) {
        return std::find_if(hints.begin(), hints.end(), [&](const auto& h) { return h.portNumber == number; });
    };
    ASSERT_NE(at(7), hints.end());
    EXPECT_EQ(at(7)->device, "COM7");
    EXPECT_EQ(at(7)->target, fs::canonical(fake.dev("ttyUSB0")).string());
    EXPECT_EQ(at(7)->adapter.serialNumber, "A50285BI");
    // COM8 falls through to the system's own candidates, never to the dangling link.
    if (at(8) != hints.end()) {
        EXPECT_NE(at(8)->device, "COM8");
    }
    EXPECT_TRUE(std::is_sorted(hints.begin(), hints.end(),
                               [](const auto& a, const auto& b) { return a.portNumber < b.portNumber; }));
}

}  // namespace
