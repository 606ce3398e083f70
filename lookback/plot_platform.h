#pragma once
// The Qt platform a plot draws on, chosen before the GUI application starts,
// so that `plot` runs on a machine with no display and no QT_QPA_PLATFORM set.

namespace lookback {

void choosePlotPlatform();

}  // namespace lookback
