#pragma once
// The unit's settings expressed as POSIX terminal attributes: small pure
// functions on a termios struct, so the mapping is tested without a device.
//
//   DataBits 5..8      CS5..CS8 (anything else refuses the configuration)
//   StopBits 1         one stop bit
//   StopBits 3         CSTOPB: two stop bits (refused with 5 data bits, where
//                      the UART would send 1.5)
//   StopBits 2 (1.5)   CS5 | CSTOPB: a UART sends 1.5 stop bits only with 5
//                      data bits; with other sizes the configuration is
//                      refused, as Windows refuses it
//   Parity             none; odd PARENB|PARODD; even PARENB; mark
//                      PARENB|CMSPAR|PARODD; space PARENB|CMSPAR (refused
//                      where CMSPAR does not exist)
//   ParityCheck        INPCK|PARMRK: bytes with a parity or framing error,
//                      and breaks, come marked in the data (see
//                      parity_marks.h); IGNPAR, ISTRIP, IGNBRK and BRKINT are
//                      always off (BRKINT would flush the queues on a break)
//   FlowControl 1      RTS/CTS: CRTSCTS
//               2      DTR/CTS: CRTSCTS. CTS gates output as asked; the
//                      kernel's input handshake drives RTS, not DTR (POSIX
//                      has no DTR handshake), and DTR is held on
//               3, 4   RTS/DSR, DTR/DSR: POSIX has no DSR output flow
//                      control; output is not gated, and the handshake line
//                      (RTS for 3, DTR for 4) is held on so the far end sends
//               5      XON/XOFF both ways: IXON|IXOFF with VSTART 0x11 and
//                      VSTOP 0x13; the kernel's own buffer thresholds stand
//                      in for the XON/XOFF limits of 100
//   RtsControl         1 drops RTS, 0 and 2 raise it, unless the kernel owns
//                      RTS (modes 1 and 2)
//   DtrControl         1 drops DTR, 2 raises it, 0 leaves it as the open left
//                      it; modes 2 and 4 raise it
//   BaudRate           a standard rate through cfsetspeed; on Linux any other
//                      rate through termios2/BOTHER; 0 is refused (B0 would
//                      hang the line up)
//   Timeout            bounds a write: Timeout x (bytes + 1) ms, 0 = none
//
// Always: raw mode (no echo, no line editing, no signals, no output
// processing), CLOCAL (the carrier does not hang the port up), CREAD,
// VMIN 1 / VTIME 0 with a non-blocking descriptor.
#include <termios.h>

#include <optional>
#include <string>

#include "serial/port_settings.h"

namespace serial::posix {

enum class LineLevel { Leave, On, Off };
struct ModemLinePlan {
    LineLevel rts = LineLevel::Leave;
    LineLevel dtr = LineLevel::Leave;
    bool operator==(const ModemLinePlan&) const = default;
};

struct AttributePlan {
    std::string refusal;      // non-empty: the settings cannot be expressed here
    bool customBaud = false;  // the rate needs the system's arbitrary-rate call
};

// Changes `t` (the device's current attributes) to the settings.
AttributePlan applySettings(termios& t, const PortSettings& settings);
std::optional<speed_t> standardSpeed(int baud);
ModemLinePlan modemLinePlan(const PortSettings& settings);

// What of `wanted` did not take, in words ("" when everything did). A
// pseudo-terminal always reads back CS8 without PARENB, whatever was set,
// so for one the data size and parity enable are not compared; everything
// else (stop bits, parity kind, flow control, input flags, speed) must match.
std::string settingsMismatch(const termios& wanted, const termios& got, bool pseudoTerminal, bool compareSpeed);

}  // namespace serial::posix
