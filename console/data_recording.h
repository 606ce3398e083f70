#pragma once
#include "console/console.h"

namespace console {

// Tick of the recording timer: staleness check, then one row while recording.
void onRecordingTick(Console& console);
// Click on the record box.
void onRecordBoxClicked(Console& console);
// Recording has stopped (the box was unticked, or the port closed): the day's
// file is made durable and its side file removed, in the background.
void endRecording(Console& console);
// The network outputs of the settings file's [Publish] section, if it has
// one; a broken section is named in the record box's tooltip.
void startPublishing(Console& console);
// The recording interval follows the seconds box (after "Second" was saved).
void applyRecordingInterval(Console& console);

}  // namespace console
