#pragma once
#include "console/console.h"

namespace console {

// Rebuilds the curve tables and writes series count, colours and names.
void resetCurves(Console& console);
// Click on a range radio box (1: 10 V / 10 A, 2: 100 V / 10 A, 3: 100 V / 100 A).
void selectRange(Console& console, int range);
// Tick of the curve timer: automatic range step, then one point on each curve.
void onCurveTick(Console& console);

}  // namespace console

namespace chart { class LineChartUnit; }

namespace console {

// The chart's settings as the window stores them (title, series name, fonts,
// tooltip template, point count, captions), applied once when the window loads.
void applyStoredChartSettings(chart::LineChartUnit& chart);

}  // namespace console
