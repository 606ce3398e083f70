#pragma once
#include <string>
#include <vector>

#include "console/console.h"

namespace console {

// Click on the open-port button (also run by the timing button when the lamp is not green).
void openPort(Console& console);
// Click on the close-port button.
void closePort(Console& console);

// Once a second while the port is open: an unplugged adapter leaves the lamp
// green (the staleness check zeroes the read-outs), but its tooltip says so.
void noticeLostDevice(Console& console);

// What the port lamp's tooltip says: the device the port number resolved to
// and, after a failed opening, why it failed in words a person can act on.
std::string lampTooltip(int portNumber, bool opened, const std::string& device, const std::string& error,
                        const std::vector<std::string>& candidates);
std::string lostDeviceTooltip(int portNumber, const std::string& device);

}  // namespace console
