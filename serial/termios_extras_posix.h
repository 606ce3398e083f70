#pragma once
// The parts of terminal handling that differ between POSIX systems, behind
// one small interface (termios_extras_linux.cpp, termios_extras_bsd.cpp).
#include <string>

#include "serial/line_watch.h"

namespace serial::posix {

// Sets an arbitrary rate on a descriptor already configured otherwise.
// 0 or the errno of the failure (ENOTSUP where the system cannot).
int setCustomBaud(int fd, int baud);
// The output rate the driver reports, or -1.
int readBaud(int fd);

// Pseudo-terminals rewrite the data size and parity of their settings.
bool isPseudoTerminal(int fd, const std::string& path);
// The same for a device known by its number (st_rdev) and its path.
bool isPseudoTerminalDevice(unsigned long long deviceNumber, const std::string& path);

// The driver's event counters. 0, or the errno (ENOTTY/EINVAL: the device
// keeps none).
int readLineCounters(int fd, LineCounters& out);

}  // namespace serial::posix
