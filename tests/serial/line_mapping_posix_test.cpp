#include "serial/line_mapping_posix.h"

#include <gtest/gtest.h>

#include "serial/port_names.h"
#include "tests/serial/pty_far_end.h"

// Designated initializers leave the fields they skip at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace serial::posix {
namespace {

// A terminal as a driver hands it over: cooked, echoing, 9600 baud.
termios cookedTerminal() {
    termios t{};
    t.c_iflag = ICRNL | IXON | BRKINT | IGNPAR | ISTRIP;
    t.c_oflag = OPOST | ONLCR;
    t.c_cflag = CS7 | CREAD | HUPCL | PARENB;
    t.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    return t;
}

TEST(LineMapping, ConsoleConfigurationIsRawEightEvenOneWithMarking) {
    const PortSettings console{.baudRate = 2400, .parityCheck = 1, .parity = kParityEven};
    termios t = cookedTerminal();
    const AttributePlan plan = applySettings(t, console);
    ASSERT_EQ(plan.refusal, "");
    EXPECT_FALSE(plan.customBaud);
    EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS | CLOCAL | CREAD), CS8 | PARENB | CLOCAL | CREAD);
    EXPECT_EQ(t.c_iflag & (INPCK | PARMRK | IGNPAR | ISTRIP | BRKINT | IGNBRK | IXON | ICRNL), INPCK | PARMRK);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(cfgetospeed(&t), B2400);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_EQ(t.c_cflag & HUPCL, tcflag_t{HUPCL});  // what the driver had is otherwise kept
}

TEST(LineMapping, FrameShapeMapsOrIsRefused) {
    const struct {
        std::int32_t dataBits, stopBits, parity;
        bool accepted;
        tcflag_t flags;  // CSIZE | CSTOPB | PARENB | PARODD | CMSPAR when accepted
    } table[] = {
        {8, 1, kParityNone, true, CS8},
        {7, 3, kParityOdd, true, CS7 | CSTOPB | PARENB | PARODD},
        {5, 2, kParityMark, true, CS5 | CSTOPB | PARENB | CMSPAR | PARODD},  // 1.5 stop bits need 5 data bits
        {0x108, 1, kParitySpace, true, CS8 | PARENB | CMSPAR},               // only the low byte counts
        {6, 0, 9, true, CS6},  // unknown stop and parity codes: one stop bit, no parity
        {8, 2, 0, false, 0},   {5, 3, 0, false, 0},  {4, 1, 0, false, 0}, {9, 1, 0, false, 0},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(::testing::Message() << "data " << c.dataBits << " stop " << c.stopBits << " parity " << c.parity);
        const PortSettings s{.dataBits = c.dataBits, .stopBits = c.stopBits, .parity = c.parity};
        termios t = cookedTerminal();
        const AttributePlan plan = applySettings(t, s);
        EXPECT_EQ(plan.refusal.empty(), c.accepted) << plan.refusal;
        if (c.accepted) {
            EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB | PARODD | CMSPAR), c.flags);
            EXPECT_EQ(t.c_iflag & (INPCK | PARMRK), 0u);  // ParityCheck off: no checking
        }
    }
}

TEST(LineMapping, FlowControlAndModemLines) {
    using L = LineLevel;
    const struct {
        std::int32_t flow, rts, dtr;
        tcflag_t cflags;  // CRTSCTS
        tcflag_t iflags;  // IXON | IXOFF
        ModemLinePlan lines;
    } table[] = {
        // RTS: 0 and 2 raise it, 1 drops it; DTR: 0 leaves it, 1 drops it, 2 raises it.
        {0, 0, 0, 0, 0, {L::On, L::Leave}}, {0, 1, 1, 0, 0, {L::Off, L::Off}}, {0, 2, 2, 0, 0, {L::On, L::On}},
        // Flow control overrides the line rules.
        {1, 1, 1, CRTSCTS, 0, {L::Leave, L::Off}}, {2, 1, 1, CRTSCTS, 0, {L::Leave, L::On}},
        {3, 1, 0, 0, 0, {L::On, L::Leave}}, {4, 0, 1, 0, 0, {L::On, L::On}},
        {5, 1, 2, 0, IXON | IXOFF, {L::Off, L::On}},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(::testing::Message() << "flow " << c.flow << " rts " << c.rts << " dtr " << c.dtr);
        const PortSettings s{.flowControl = c.flow, .rtsControl = c.rts, .dtrControl = c.dtr};
        termios t = cookedTerminal();
        ASSERT_EQ(applySettings(t, s).refusal, "");
        EXPECT_EQ(t.c_cflag & CRTSCTS, c.cflags);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), c.iflags);
        EXPECT_EQ(modemLinePlan(s), c.lines);
        EXPECT_EQ(t.c_cc[VSTART], c.flow == kFlowXonXoff ? 0x11 : 0);
        EXPECT_EQ(t.c_cc[VSTOP], c.flow == kFlowXonXoff ? 0x13 : 0);
    }
}

TEST(SettingsMismatch, APseudoTerminalMayRewriteOnlyDataSizeAndParityEnable) {
    testing::PtyFarEnd far;
    const int fd = ::open(far.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios wanted{};
    ASSERT_EQ(::tcgetattr(fd, &wanted), 0);
    const PortSettings s{.dataBits = 7, .stopBits = kTwoStopBits, .parityCheck = 1, .parity = kParityMark};
    ASSERT_EQ(applySettings(wanted, s).refusal, "");
    ::tcsetattr(fd, TCSANOW, &wanted);  // glibc may report EINVAL for the pty's rewrite
    termios got{};
    ASSERT_EQ(::tcgetattr(fd, &got), 0);
    ::close(fd);
    EXPECT_EQ(got.c_cflag & CSIZE, tcflag_t{CS8});  // the pty's own rewrite
    EXPECT_EQ(settingsMismatch(wanted, got, true, true), "");
    EXPECT_EQ(settingsMismatch(wanted, got, false, true), "data bits, parity");

    termios stopBits = got;
    stopBits.c_cflag &= ~CSTOPB;
    EXPECT_EQ(settingsMismatch(wanted, stopBits, true, true), "stop bits");
    termios noMarks = got;
    noMarks.c_iflag &= ~PARMRK;
    cfsetospeed(&noMarks, B9600);
    EXPECT_EQ(settingsMismatch(wanted, noMarks, true, true), "parity checking, baud rate");
    EXPECT_EQ(settingsMismatch(wanted, noMarks, true, false), "parity checking");
}

TEST(PortNames, CandidatesInOrderAndALinkInTheWorkingDirectoryFirstUnlessDangling) {
    EXPECT_EQ(candidateDevices(3), (std::vector<std::string>{"COM3", "/dev/ttyUSB2", "/dev/ttyACM2", "/dev/ttyS2"}));

    testing::ScratchDirectory dir;
    testing::PtyFarEnd far;
    const int port = 237;  // no machine has /dev/ttyUSB236 and friends
    EXPECT_EQ(resolveDevice(port), "");
    dir.link(port, far.slavePath());
    EXPECT_EQ(resolveDevice(port), "COM237");
    dir.link(port, "/nonexistent/device");
    EXPECT_EQ(resolveDevice(port), "");
}

}  // namespace
}  // namespace serial::posix
