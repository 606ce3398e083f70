#pragma once
#include "console/console.h"
#include "runtime/gbk_codec.h"

namespace console {

constexpr int kExpandedHeight = 622;
constexpr int kCollapsedHeight = 355;

// <current directory>/<executable name without any ".exe">.ini, built afresh each time.
runtime::Text settingsFilePath();

void loadSettings(Console& console);
// After every attempt to open the port: Port, Baud, Parity, Second.
void savePortSettings(Console& console);
// On every change of the seconds box.
void saveInterval(Console& console);
// Right button on the window: show or hide the curves.
void toggleCurves(Console& console);

}  // namespace console
