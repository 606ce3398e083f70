#include "console/realtime_curves.h"

namespace console {

// Still empty: the curve tables, range selection and curve tick come next.
void resetCurves(Console&) {}
void selectRange(Console&, int) {}
void onCurveTick(Console&) {}
void applyStoredChartSettings(chart::LineChartUnit&) {}

}  // namespace console
