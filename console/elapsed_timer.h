#pragma once
#include "console/console.h"

namespace console {

// Click on the start/stop timing button.
void onTimingButton(Console& console);
// Tick of the one-second clock: advance the counter, then integrate a second.
void onClockTick(Console& console);

}  // namespace console
