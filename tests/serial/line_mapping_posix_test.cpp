#include "serial/line_mapping_posix.h"

#include <gtest/gtest.h>

#include "serial/port_names.h"
#include "tests/serial/pty_far_end.h"

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

PortSettings consoleSettings() {  // the console's stored configuration
    PortSettings s;
    s.portNumber = 5;
    s.baudRate = 2400;
    s.parity = kParityEven;
    s.parityCheck = 1;
    return s;
}

TEST(LineMapping, ConsoleConfigurationIsRawEightEvenOneWithMarking) {
    termios t = cookedTerminal();
    const AttributePlan plan = applySettings(t, consoleSettings());
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

struct ParityCase {
    std::int32_t parity;
    tcflag_t flags;
};
class ParityMappingTest : public ::testing::TestWithParam<ParityCase> {};

TEST_P(ParityMappingTest, SetsTheParityFlags) {
    PortSettings s;
    s.parity = GetParam().parity;
    termios t = cookedTerminal();
    ASSERT_EQ(applySettings(t, s).refusal, "");
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), GetParam().flags);
    EXPECT_EQ(t.c_iflag & (INPCK | PARMRK), 0u);  // ParityCheck off: no checking
}

INSTANTIATE_TEST_SUITE_P(Parities, ParityMappingTest,
                         ::testing::Values(ParityCase{kParityNone, 0}, ParityCase{kParityOdd, PARENB | PARODD},
                                           ParityCase{kParityEven, PARENB},
                                           ParityCase{kParityMark, PARENB | CMSPAR | PARODD},
                                           ParityCase{kParitySpace, PARENB | CMSPAR}, ParityCase{9, 0},
                                           ParityCase{-1, 0}));

struct FrameCase {
    std::int32_t dataBits;
    std::int32_t stopBits;
    bool accepted;
    tcflag_t flags;  // CSIZE | CSTOPB when accepted
};
class FrameShapeTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameShapeTest, MapsOrRefusesDataAndStopBits) {
    const FrameCase& c = GetParam();
    PortSettings s;
    s.dataBits = c.dataBits;
    s.stopBits = c.stopBits;
    termios t = cookedTerminal();
    const AttributePlan plan = applySettings(t, s);
    EXPECT_EQ(plan.refusal.empty(), c.accepted) << plan.refusal;
    if (c.accepted) {
        EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB), c.flags);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameShapeTest,
    ::testing::Values(FrameCase{8, 1, true, CS8}, FrameCase{7, 3, true, CS7 | CSTOPB}, FrameCase{6, 1, true, CS6},
                      FrameCase{5, 2, true, CS5 | CSTOPB},  // 1.5 stop bits exist only with 5 data bits
                      FrameCase{8, 2, false, 0}, FrameCase{5, 3, false, 0}, FrameCase{5, 1, true, CS5},
                      FrameCase{4, 1, false, 0}, FrameCase{9, 1, false, 0},
                      FrameCase{0x108, 1, true, CS8},  // only the low byte counts
                      FrameCase{8, 0, true, CS8}));    // an unknown stop code is one stop bit

TEST(LineMapping, BaudRates) {
    PortSettings s;
    termios t = cookedTerminal();
    s.baudRate = 115200;
    EXPECT_FALSE(applySettings(t, s).customBaud);
    EXPECT_EQ(cfgetospeed(&t), B115200);
    s.baudRate = 250000;
    EXPECT_TRUE(applySettings(t, s).customBaud);
    s.baudRate = 0;  // B0 would hang the line up
    EXPECT_NE(applySettings(t, s).refusal, "");
    EXPECT_EQ(standardSpeed(19200), B19200);
    EXPECT_FALSE(standardSpeed(12345));
}

struct FlowCase {
    std::int32_t flow;
    std::int32_t rts;
    std::int32_t dtr;
    tcflag_t cflags;  // CRTSCTS
    tcflag_t iflags;  // IXON | IXOFF
    ModemLinePlan lines;
};
class FlowControlTest : public ::testing::TestWithParam<FlowCase> {};

TEST_P(FlowControlTest, MapsFlowControlAndLines) {
    const FlowCase& c = GetParam();
    PortSettings s;
    s.flowControl = c.flow;
    s.rtsControl = c.rts;
    s.dtrControl = c.dtr;
    termios t = cookedTerminal();
    ASSERT_EQ(applySettings(t, s).refusal, "");
    EXPECT_EQ(t.c_cflag & CRTSCTS, c.cflags);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), c.iflags);
    EXPECT_EQ(modemLinePlan(s), c.lines);
    if (c.flow == kFlowXonXoff) {
        EXPECT_EQ(t.c_cc[VSTART], 0x11);
        EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    }
}

using L = LineLevel;
INSTANTIATE_TEST_SUITE_P(
    Modes, FlowControlTest,
    ::testing::Values(
        // RTS: 0 and 2 raise it, 1 drops it; DTR: 0 leaves it, 1 drops it, 2 raises it.
        FlowCase{0, 0, 0, 0, 0, {L::On, L::Leave}}, FlowCase{0, 1, 1, 0, 0, {L::Off, L::Off}},
        FlowCase{0, 2, 2, 0, 0, {L::On, L::On}},
        // Flow control overrides the line rules.
        FlowCase{1, 1, 1, CRTSCTS, 0, {L::Leave, L::Off}}, FlowCase{2, 1, 1, CRTSCTS, 0, {L::Leave, L::On}},
        FlowCase{3, 1, 0, 0, 0, {L::On, L::Leave}}, FlowCase{4, 0, 1, 0, 0, {L::On, L::On}},
        FlowCase{5, 1, 2, 0, IXON | IXOFF, {L::Off, L::On}}));

TEST(SettingsMismatch, PseudoTerminalsMayRewriteOnlyDataSizeAndParityEnable) {
    termios wanted = cookedTerminal();
    applySettings(wanted, consoleSettings());
    termios rewritten = wanted;  // what a pseudo-terminal reads back
    rewritten.c_cflag = (rewritten.c_cflag & ~(CSIZE | PARENB)) | CS8;
    rewritten.c_cflag &= ~PARENB;
    EXPECT_EQ(settingsMismatch(wanted, rewritten, true, true), "");
    EXPECT_EQ(settingsMismatch(wanted, rewritten, false, true), "parity");

    termios stopBits = rewritten;
    stopBits.c_cflag |= CSTOPB;
    EXPECT_EQ(settingsMismatch(wanted, stopBits, true, true), "stop bits");

    termios noMarks = wanted;
    noMarks.c_iflag &= ~PARMRK;
    cfsetospeed(&noMarks, B9600);
    EXPECT_EQ(settingsMismatch(wanted, noMarks, true, true), "parity checking, baud rate");
    EXPECT_EQ(settingsMismatch(wanted, noMarks, true, false), "parity checking");
}

TEST(SettingsMismatch, ARealPseudoTerminalReadsBackAsExpected) {
    testing::PtyFarEnd far;
    const int fd = ::open(far.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios t{};
    ASSERT_EQ(::tcgetattr(fd, &t), 0);
    PortSettings s = consoleSettings();
    s.dataBits = 7;
    s.stopBits = kTwoStopBits;
    s.parity = kParityMark;
    ASSERT_EQ(applySettings(t, s).refusal, "");
    ASSERT_EQ(::tcsetattr(fd, TCSANOW, &t), 0);
    termios got{};
    ASSERT_EQ(::tcgetattr(fd, &got), 0);
    EXPECT_EQ(got.c_cflag & CSIZE, tcflag_t{CS8});  // the pty's own rewrite
    EXPECT_EQ(settingsMismatch(t, got, true, true), "");
    EXPECT_NE(settingsMismatch(t, got, false, true), "");
    ::close(fd);
}

// --- port numbers ----------------------------------------------------------

TEST(PortNames, CandidatesInOrder) {
    EXPECT_EQ(candidateDevices(3),
              (std::vector<std::string>{"COM3", "/dev/ttyUSB2", "/dev/ttyACM2", "/dev/ttyS2"}));
    EXPECT_TRUE(candidateDevices(0).empty());
    EXPECT_EQ(resolveDevice(0), "");
}

TEST(PortNames, ALinkInTheWorkingDirectoryComesFirstAndADanglingOneIsSkipped) {
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
