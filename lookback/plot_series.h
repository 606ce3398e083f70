#pragma once
// The plot's data: rows placed in time as plain numbers, for the plot helper
// to paint and for a page to draw. A meter away (zeroed rows) is a gap in
// both series; a pause in the recording breaks the lines.
#include <optional>
#include <vector>

#include "lookback/day_file_reader.h"

namespace lookback {

struct PlotSeries {
    std::vector<double> times;  // each row's instant, UTC seconds
    std::vector<std::optional<double>> volts;
    std::vector<std::optional<double>> amps;
    std::vector<bool> breakBefore;  // a pause in the recording before this row
};
PlotSeries plotSeries(const std::vector<DayRow>& rows);

}  // namespace lookback
