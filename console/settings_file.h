#pragma once
#include "console/console.h"
#include "runtime/native_path.h"

namespace console {

constexpr int kExpandedHeight = 622;
constexpr int kCollapsedHeight = 355;

// <current directory>/<executable name without any ".exe">.ini, built afresh
// each time from the names as the system gives them.
runtime::Path settingsFilePath();

void loadSettings(Console& console);
// After every attempt to open the port: Port, Baud, Parity, Second.
void savePortSettings(Console& console);
// On every change of the seconds box.
void saveInterval(Console& console);
// Right button on the window: show or hide the curves.
void toggleCurves(Console& console);

}  // namespace console
