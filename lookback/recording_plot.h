#pragma once
// `kzrt-record plot`: day files or a span drawn as voltage (red, left scale) and
// current (blue, right scale) against time, the console's curve colours. A
// meter away (zeroed rows) or a pause in the recording leaves a gap in both
// lines rather than a slope to zero or across the pause.
#include <QPainterPath>
#include <QRectF>
#include <string>
#include <vector>

#include "lookback/plot_series.h"

class QPainter;

namespace lookback {

// The line through the points, broken at gaps, mapped into `area` with the
// x range [x0, x1] and the y range [y0, y1].
QPainterPath seriesPath(const PlotSeries& series, const std::vector<std::optional<double>>& values, QRectF area,
                        double x0, double x1, double y0, double y1);

void drawRecording(QPainter& painter, QRectF bounds, const PlotSeries& series, const std::string& title);

// The plot helper's whole run: its arguments are those after "plot".
// Returns the exit code.
int runPlot(int argc, char** argv);

}  // namespace lookback
