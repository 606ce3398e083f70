#include "console/frame_decoder.h"

namespace console {

// Still empty: frame assembly, decoding and the energy/charge integration come next.
void onByteReceived(Console&, int) {}
void accumulateOneSecond(Console&) {}

}  // namespace console
