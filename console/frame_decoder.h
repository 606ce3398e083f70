#pragma once
#include "console/console.h"

namespace console {

// DataArrived of the port: one received byte, 0..255.
void onByteReceived(Console& console, int byte);
// One second of energy and charge, run by the clock tick after the counter advanced.
void accumulateOneSecond(Console& console);

}  // namespace console
