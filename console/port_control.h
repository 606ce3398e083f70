#pragma once
#include <string>
#include <vector>

#include "console/console.h"

namespace console {

// Click on the open-port button (also run by the timing button when the lamp is not green).
void openPort(Console& console);
// Click on the close-port button.
void closePort(Console& console);

// Once a second while the port is open: the lamp stays green while the
// serial unit waits for an unplugged adapter and reopens it, but its tooltip
// tells when the device went away, when it came back and how often.
void noticeLostDevice(Console& console);

// What the port lamp's tooltip says: the device the port number resolved to
// and, after a failed opening, why it failed in words a person can act on.
std::string lampTooltip(int portNumber, bool opened, const std::string& device, const std::string& error,
                        const std::vector<std::string>& candidates);

// A port whose device went away since it was opened; times as "hh:mm:ss".
struct ConnectionHistory {
    int losses = 0;
    bool waiting = false;    // away now
    std::string abandoned;   // not watched for any more, and why
    std::string lostAt;
    std::string backAt;
    std::string refused;     // away: a device present that is not the meter's, and why it is left alone
};
std::string connectionTooltip(int portNumber, const std::string& device, const ConnectionHistory& history);

}  // namespace console
