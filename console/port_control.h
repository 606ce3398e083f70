#pragma once
#include "console/console.h"

namespace console {

// Click on the open-port button (also run by the timing button when the lamp is not green).
void openPort(Console& console);
// Click on the close-port button.
void closePort(Console& console);

}  // namespace console
