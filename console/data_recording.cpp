#include "console/data_recording.h"

namespace console {

// Still empty: the staleness check, the recording rows and the recording interval come next.
void onRecordingTick(Console&) {}
void onRecordBoxClicked(Console&) {}
void applyRecordingInterval(Console&) {}

}  // namespace console
