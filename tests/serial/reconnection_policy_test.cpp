// Which device a port whose device went away may reopen, decided from what
// was opened and what the system shows now.
#include "serial/reconnection_policy.h"

#include <gtest/gtest.h>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace serial {
namespace {

using Action = ReconnectDecision::Action;
using Kind = DeviceKind;

const AdapterInfo kMeter{.vendorId = "0403", .productId = "6001", .serialNumber = "A50285BI", .usbPort = "1-2:1.0"};
const AdapterInfo kMeterElsewhere{.vendorId = "0403", .productId = "6001", .serialNumber = "A50285BI", .usbPort = "3-1:1.0"};
const AdapterInfo kTwin{.vendorId = "0403", .productId = "6001", .serialNumber = "B7777", .usbPort = "1-2:1.0"};
const AdapterInfo kArduino{.vendorId = "2341", .productId = "0043", .product = "Arduino Uno", .usbPort = "1-4:1.0"};
const LinkStamp kLink{1, 100, 5, "/dev/pts/4"};
const LinkStamp kLinkPutBack{1, 100, 9, "/dev/pts/4"};  // same inode and target, made anew

DeviceSighting comLink(Kind kind, const std::string& device, LinkStamp link = kLink, AdapterInfo adapter = {},
                       bool stable = false) {
    return {.name = "COM1", .device = device, .kind = kind, .throughLink = true, .link = std::move(link),
            .throughStableName = stable, .adapter = std::move(adapter)};
}

DeviceSighting devName(const std::string& name, Kind kind, AdapterInfo adapter = {}) {
    return {.name = name, .device = name, .kind = kind, .adapter = std::move(adapter)};
}

struct Case {
    const char* name;
    DeviceSighting opened;
    SystemView now;
    Action action;
    std::string target;  // the name reopened or the device refused
    std::string because = {};  // part of the reason
};

class DecideReconnection : public ::testing::TestWithParam<Case> {};

TEST_P(DecideReconnection, ReopensOnlyTheDeviceItHadOpen) {
    const ReconnectDecision d = decideReconnection(GetParam().opened, GetParam().now);
    EXPECT_EQ(d.action, GetParam().action) << d.reason;
    EXPECT_EQ(d.name, GetParam().target);
    EXPECT_NE(d.reason.find(GetParam().because), std::string::npos) << d.reason;
}

const DeviceSighting kPtyLink = comLink(Kind::PseudoTerminal, "/dev/pts/4");
const DeviceSighting kByIdLink = comLink(Kind::Terminal, "/dev/ttyUSB0", {1, 7, 5, "/dev/serial/by-id/usb-FTDI"}, kMeter, true);
const DeviceSighting kDirectLink = comLink(Kind::Terminal, "/dev/ttyUSB0", {1, 7, 5, "/dev/ttyUSB0"}, kMeter);
const DeviceSighting kUsb0 = devName("/dev/ttyUSB0", Kind::Terminal, kMeter);

INSTANTIATE_TEST_SUITE_P(
    Cases, DecideReconnection,
    ::testing::Values(
        // A COMn link to a pseudo-terminal.
        Case{"LinkGone", kPtyLink, {comLink(Kind::Missing, "COM1", {})}, Action::Wait, ""},
        Case{"PtyNumberReusedUnderTheSameLink", kPtyLink, {comLink(Kind::PseudoTerminal, "/dev/pts/4")},
             Action::Refuse, "/dev/pts/4", "another program"},
        Case{"LinkPutBack", kPtyLink, {comLink(Kind::PseudoTerminal, "/dev/pts/4", kLinkPutBack)}, Action::Reopen, "COM1"},
        Case{"LinkToANewTarget", kPtyLink, {comLink(Kind::PseudoTerminal, "/dev/pts/9", {1, 100, 5, "/dev/pts/9"})},
             Action::Reopen, "COM1"},
        Case{"LinkPutBackToARegularFile", kPtyLink,
             {DeviceSighting{.name = "COM1", .device = "/w/x", .kind = Kind::NotADevice,
                             .why = "COM1 is a regular file, not a serial device", .throughLink = true}},
             Action::Refuse, "/w/x", "regular file"},
        Case{"LinkPutBackToDevNull", kPtyLink,
             {DeviceSighting{.name = "COM1", .device = "/dev/null", .kind = Kind::NotATerminal,
                             .why = "/dev/null is not a serial device", .throughLink = true}},
             Action::Refuse, "/dev/null", "not a serial device"},
        // A COMn link through a stable by-id name: whatever it leads to, unless the serial says otherwise.
        Case{"ByIdSameAdapterOnAnotherNumber", kByIdLink,
             {comLink(Kind::Terminal, "/dev/ttyUSB3", kByIdLink.link, kMeterElsewhere, true)}, Action::Reopen, "COM1"},
        Case{"ByIdIdentityUnknownNow", kByIdLink, {comLink(Kind::Terminal, "/dev/ttyUSB0", kByIdLink.link, {}, true)},
             Action::Reopen, "COM1"},
        Case{"ByIdAnotherSerial", kByIdLink, {comLink(Kind::Terminal, "/dev/ttyUSB0", kByIdLink.link, kTwin, true)},
             Action::Refuse, "/dev/ttyUSB0", "B7777"},
        // A COMn link straight to a kernel name.
        Case{"DirectLinkSameAdapter", kDirectLink, {kDirectLink}, Action::Reopen, "COM1"},
        Case{"DirectLinkAnotherAdapter", kDirectLink,
             {comLink(Kind::Terminal, "/dev/ttyUSB0", kDirectLink.link, kArduino)}, Action::Refuse, "/dev/ttyUSB0",
             "not the meter's adapter"},
        Case{"DirectLinkIdentityUnknown", kDirectLink, {comLink(Kind::Terminal, "/dev/ttyUSB0", kDirectLink.link)},
             Action::Refuse, "/dev/ttyUSB0", "cannot be recognised"},
        // The port-number rules: the adapter's identity alone.
        Case{"SameAdapterAtTheName", kUsb0, {kUsb0}, Action::Reopen, "/dev/ttyUSB0"},
        Case{"SameAdapterAsTtyUSB1", kUsb0,
             {devName("/dev/ttyUSB0", Kind::Terminal, kTwin), {devName("/dev/ttyUSB1", Kind::Terminal, kMeterElsewhere)}},
             Action::Reopen, "/dev/ttyUSB1"},
        Case{"AnotherAdapterAtTheName", kUsb0, {devName("/dev/ttyUSB0", Kind::Terminal, kTwin)}, Action::Refuse,
             "/dev/ttyUSB0", "not the meter's adapter"},
        Case{"ArduinoAppearsAsTtyACM0", kUsb0,
             {devName("/dev/ttyUSB0", Kind::Missing), {devName("/dev/ttyACM0", Kind::Terminal, kArduino)},
              {devName("/dev/ttyACM0", Kind::Terminal, kArduino)}},
             Action::Refuse, "/dev/ttyACM0", "Arduino Uno"},
        Case{"NothingYet", kUsb0, {devName("/dev/ttyUSB0", Kind::Missing)}, Action::Wait, ""},
        Case{"OpenedWithoutIdentity", devName("/dev/ttyUSB0", Kind::Terminal), {devName("/dev/ttyUSB0", Kind::Terminal)},
             Action::GiveUp, "/dev/ttyUSB0", "no device can be recognised"},
        // Windows: \\.\COMn stays with its adapter; the driver's identity is checked where it gives one.
        Case{"ComNumberWithoutIdentity", {.name = "\\\\.\\COM3", .device = "\\\\.\\COM3", .kind = Kind::Terminal,
                                          .throughStableName = true},
             {{.name = "\\\\.\\COM3", .device = "\\\\.\\COM3", .kind = Kind::Terminal, .throughStableName = true}},
             Action::Reopen, "\\\\.\\COM3"},
        Case{"ComNumberAnotherDevice",
             {.name = "\\\\.\\COM3", .device = "\\\\.\\COM3", .kind = Kind::Terminal, .throughStableName = true,
              .adapter = {.hardwarePath = "USB\\VID_0403&PID_6001\\A50285BI"}},
             {{.name = "\\\\.\\COM3", .device = "\\\\.\\COM3", .kind = Kind::Terminal, .throughStableName = true,
               .adapter = {.hardwarePath = "USB\\VID_1A86&PID_7523\\5&2B3C&0&2"}}},
             Action::Refuse, "\\\\.\\COM3", "not the meter's adapter"}),
    [](const auto& info) { return std::string(info.param.name); });

struct AdapterPair {
    const char* name;
    AdapterInfo a, b;
    bool same;
};

class SameAdapter : public ::testing::TestWithParam<AdapterPair> {};

TEST_P(SameAdapter, TellsAdaptersApart) {
    EXPECT_EQ(sameAdapter(GetParam().a, GetParam().b), GetParam().same);
    EXPECT_EQ(sameAdapter(GetParam().b, GetParam().a), GetParam().same);
}

const AdapterInfo kNoSerial{.vendorId = "1a86", .productId = "7523", .usbPort = "1-2:1.0"};

INSTANTIATE_TEST_SUITE_P(
    Pairs, SameAdapter,
    ::testing::Values(
        AdapterPair{"SerialInAnySocket", kMeter, kMeterElsewhere, true},
        AdapterPair{"OtherSerial", kMeter, kTwin, false},
        AdapterPair{"OtherPortOfAMultiPortAdapter", kMeter, {"0403", "6001", "", "", "A50285BI", "", "1-2:1.1"}, false},
        AdapterPair{"NoSerialSameSocket", kNoSerial, kNoSerial, true},
        AdapterPair{"NoSerialOtherSocket", kNoSerial, {"1a86", "7523", "", "", "", "", "1-3:1.0"}, false},
        AdapterPair{"BuiltInSamePath", {.hardwarePath = "/sys/devices/pnp0/00:05/tty/ttyS0"},
                    {.hardwarePath = "/sys/devices/pnp0/00:05/tty/ttyS0"}, true},
        AdapterPair{"UnknownIsNeverTheSame", {}, {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace serial
