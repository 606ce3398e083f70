#include "serial/termios_extras_posix.h"

#include <termios.h>

#include <cerrno>

namespace serial::posix {

// On the BSDs and macOS a speed_t is the rate itself, so any rate the driver
// accepts goes through the ordinary call.
int setCustomBaud(int fd, int baud) {
    if (static_cast<int>(B9600) != 9600) return ENOTSUP;
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return errno;
    if (::cfsetspeed(&t, static_cast<speed_t>(baud)) != 0) return errno;
    return ::tcsetattr(fd, TCSANOW, &t) == 0 ? 0 : errno;
}

int readBaud(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0 || static_cast<int>(B9600) != 9600) return -1;
    return static_cast<int>(::cfgetospeed(&t));
}

bool isPseudoTerminal(int, const std::string& path) { return isPseudoTerminalDevice(0, path); }

bool isPseudoTerminalDevice(unsigned long long, const std::string& path) {
    // macOS and the BSDs name pseudo-terminal slaves /dev/ttysNNN or /dev/ttypN.
    const bool numbered = path.size() > 9 && path.compare(0, 8, "/dev/tty") == 0 &&
                          (path[8] == 's' || path[8] == 'p') && path[9] >= '0' && path[9] <= '9';
    return numbered || path.rfind("/dev/pts/", 0) == 0;
}

int readLineCounters(int, LineCounters&) { return ENOTTY; }

}  // namespace serial::posix
