#pragma once
// The receiving side's handlers: bytes from the port into the read-outs, and
// the clock tick's second of energy and charge. The rules they apply are the
// meter pipeline's (meter/frame_decoder.h).
#include "console/console.h"

namespace console {

// DataArrived of the port: one received byte, 0..255.
void onByteReceived(Console& console, int byte);
// One second of energy and charge, run by the clock tick after the counter advanced.
void accumulateOneSecond(Console& console);
// Closing the port drops a partly received frame.
void discardFrameText(Console& console);

}  // namespace console
