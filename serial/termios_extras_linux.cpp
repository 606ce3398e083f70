#include "serial/termios_extras_posix.h"

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

#include <cerrno>

// The kernel's termios2 (arbitrary rates). Declared here because
// <asm/termbits.h> clashes with <termios.h>; TCGETS2/TCSETS2 from
// <sys/ioctl.h> refer to this name.
struct termios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};

namespace serial::posix {
namespace {

constexpr tcflag_t kBaudMask = 0010017;  // CBAUD
constexpr tcflag_t kOtherBaud = 0010000;  // BOTHER
constexpr int kInputBaudShift = 16;       // IBSHIFT
constexpr unsigned kPtySlaveMajorFirst = 136;  // UNIX98 pseudo-terminal slaves: 136..143
constexpr unsigned kPtySlaveMajorLast = 143;
constexpr unsigned kLegacyPtySlaveMajor = 3;

}  // namespace

int setCustomBaud(int fd, int baud) {
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) return errno;
    t.c_cflag = (t.c_cflag & ~kBaudMask) | kOtherBaud;
    t.c_cflag &= ~(kBaudMask << kInputBaudShift);
    t.c_cflag |= kOtherBaud << kInputBaudShift;
    t.c_ispeed = static_cast<speed_t>(baud);
    t.c_ospeed = static_cast<speed_t>(baud);
    return ::ioctl(fd, TCSETS2, &t) == 0 ? 0 : errno;
}

int readBaud(int fd) {
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) return -1;
    return static_cast<int>(t.c_ospeed);
}

bool isPseudoTerminal(int fd, const std::string& path) {
    struct stat info {};
    const bool device = ::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode);
    return isPseudoTerminalDevice(device ? info.st_rdev : 0, path);
}

bool isPseudoTerminalDevice(unsigned long long deviceNumber, const std::string& path) {
    const unsigned m = major(static_cast<dev_t>(deviceNumber));
    if ((m >= kPtySlaveMajorFirst && m <= kPtySlaveMajorLast) || m == kLegacyPtySlaveMajor) return true;
    return path.rfind("/dev/pts/", 0) == 0;
}

int readLineCounters(int fd, LineCounters& out) {
    serial_icounter_struct c{};
    if (::ioctl(fd, TIOCGICOUNT, &c) != 0) return errno;
    auto u = [](int v) { return static_cast<std::uint32_t>(v); };
    out = {u(c.cts), u(c.dsr), u(c.rng), u(c.dcd), u(c.frame), u(c.parity), u(c.overrun), u(c.buf_overrun), u(c.brk)};
    return 0;
}

}  // namespace serial::posix
