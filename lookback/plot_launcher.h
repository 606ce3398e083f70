#pragma once
// `kzrt-record plot` runs the plot helper, kzrt-record-plot, which paints
// with Qt Gui: the recorder itself links Qt Core only, so a logger on a
// server loads no GUI, X11 or OpenGL library.
#include <string>
#include <vector>

namespace lookback {

// Runs the helper with the arguments after "plot"; its exit code, or 1 when
// it cannot be found or started.
int runPlotHelper(const std::vector<std::string>& arguments);

}  // namespace lookback
