#include "serial/line_mapping_posix.h"

#include <array>
#include <utility>

namespace serial::posix {
namespace {

#ifdef CMSPAR
constexpr tcflag_t kStickParity = CMSPAR;
#else
constexpr tcflag_t kStickParity = 0;
#endif

constexpr std::pair<int, speed_t> kStandardSpeeds[] = {
    {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200}, {300, B300}, {600, B600},
    {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800}, {9600, B9600}, {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800}, {500000, B500000}, {576000, B576000}, {921600, B921600}, {1000000, B1000000},
    {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000},
    {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
#endif
};

constexpr tcflag_t kComparedControlFlags = CSIZE | CSTOPB | PARENB | PARODD | kStickParity | CRTSCTS | CLOCAL | CREAD;
constexpr tcflag_t kComparedInputFlags =
    INPCK | PARMRK | IGNPAR | ISTRIP | IXON | IXOFF | IXANY | IGNBRK | BRKINT | INLCR | IGNCR | ICRNL;
constexpr tcflag_t kComparedLocalFlags = ICANON | ECHO | ECHONL | ISIG | IEXTEN;

void makeRaw(termios& t) {
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK | IGNPAR);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | kStickParity | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    // Non-blocking descriptor: a read with nothing to read fails with EAGAIN,
    // so a read of 0 bytes means end of file (the device hung up).
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

std::string applyDataAndStopBits(termios& t, const PortSettings& s) {
    static constexpr std::array<tcflag_t, 4> kSizes{CS5, CS6, CS7, CS8};
    const int bits = s.byteSize();
    if (bits < 5 || bits > 8) return "the line cannot carry " + std::to_string(bits) + " data bits";
    t.c_cflag |= kSizes[static_cast<std::size_t>(bits - 5)];
    if (s.stopBits == kOneAndHalfStopBits) {
        if (bits != 5) return "1.5 stop bits need 5 data bits";
        t.c_cflag |= CSTOPB;
    } else if (s.stopBits == kTwoStopBits) {
        if (bits == 5) return "2 stop bits are not possible with 5 data bits";
        t.c_cflag |= CSTOPB;
    }
    return {};
}

std::string applyParity(termios& t, const PortSettings& s) {
    switch (s.parity) {
        case kParityOdd: t.c_cflag |= PARENB | PARODD; break;
        case kParityEven: t.c_cflag |= PARENB; break;
        case kParityMark:
        case kParitySpace:
            if (kStickParity == 0) return "mark and space parity are not supported on this system";
            t.c_cflag |= PARENB | kStickParity | (s.parity == kParityMark ? PARODD : 0);
            break;
        default: break;
    }
    if (s.parityChecking()) t.c_iflag |= INPCK | PARMRK;
    return {};
}

void applyFlowControl(termios& t, const PortSettings& s) {
    switch (s.flowControl) {
        case kFlowRtsCts:
        case kFlowDtrCts: t.c_cflag |= CRTSCTS; break;
        case kFlowXonXoff:
            t.c_iflag |= IXON | IXOFF;
            t.c_cc[VSTART] = 0x11;
            t.c_cc[VSTOP] = 0x13;
            break;
        default: break;
    }
}

std::string applySpeed(termios& t, const PortSettings& s, bool& custom) {
    if (s.baudRate <= 0) return "a baud rate of 0 cannot be set";
    const std::optional<speed_t> speed = standardSpeed(s.baudRate);
    custom = !speed;
    // A custom rate is set afterwards; meanwhile keep a valid standard one.
    const speed_t code = speed.value_or(B38400);
    cfsetispeed(&t, code);
    cfsetospeed(&t, code);
    return {};
}

}  // namespace

std::optional<speed_t> standardSpeed(int baud) {
    for (const auto& [rate, code] : kStandardSpeeds)
        if (rate == baud) return code;
    return std::nullopt;
}

AttributePlan applySettings(termios& t, const PortSettings& s) {
    AttributePlan plan;
    makeRaw(t);
    for (auto step : {applyDataAndStopBits, applyParity}) {
        plan.refusal = step(t, s);
        if (!plan.refusal.empty()) return plan;
    }
    applyFlowControl(t, s);
    plan.refusal = applySpeed(t, s, plan.customBaud);
    return plan;
}

ModemLinePlan modemLinePlan(const PortSettings& s) {
    ModemLinePlan plan;
    plan.rts = s.rtsControl == kLineOff ? LineLevel::Off : LineLevel::On;
    if (s.dtrControl == kLineOff) plan.dtr = LineLevel::Off;
    if (s.dtrControl == kLineOn) plan.dtr = LineLevel::On;
    // Flow control comes last and overrides the line rules.
    switch (s.flowControl) {
        case kFlowRtsCts: plan.rts = LineLevel::Leave; break;
        case kFlowDtrCts:
            plan.rts = LineLevel::Leave;
            plan.dtr = LineLevel::On;
            break;
        case kFlowRtsDsr: plan.rts = LineLevel::On; break;
        case kFlowDtrDsr: plan.dtr = LineLevel::On; break;
        default: break;
    }
    return plan;
}

std::string settingsMismatch(const termios& wanted, const termios& got, bool pseudoTerminal, bool compareSpeed) {
    std::string what;
    auto note = [&](bool differs, const char* name) {
        if (differs && what.find(name) == std::string::npos) what += (what.empty() ? "" : ", ") + std::string(name);
    };
    const tcflag_t controlMask = kComparedControlFlags & ~(pseudoTerminal ? (CSIZE | PARENB) : 0);
    const tcflag_t controlDiff = (wanted.c_cflag ^ got.c_cflag) & controlMask;
    note(controlDiff & CSIZE, "data bits");
    note(controlDiff & CSTOPB, "stop bits");
    note(controlDiff & (PARENB | PARODD | kStickParity), "parity");
    note(controlDiff & CRTSCTS, "hardware flow control");
    note(controlDiff & (CLOCAL | CREAD), "line control");
    const tcflag_t inputDiff = (wanted.c_iflag ^ got.c_iflag) & kComparedInputFlags;
    note(inputDiff & (INPCK | PARMRK | IGNPAR | ISTRIP | IGNBRK | BRKINT), "parity checking");
    note(inputDiff & (IXON | IXOFF | IXANY), "XON/XOFF flow control");
    note(inputDiff & (INLCR | IGNCR | ICRNL), "raw input");
    note((wanted.c_lflag ^ got.c_lflag) & kComparedLocalFlags, "raw input");
    note(compareSpeed && cfgetospeed(&wanted) != cfgetospeed(&got), "baud rate");
    return what;
}

}  // namespace serial::posix
