#pragma once
// The plot's data as a page's chart takes it: columns of times (UTC seconds)
// and values, null where the meter was away, and a null point between two
// rows that a pause in the recording separates, so that no line is drawn
// across it.
//   {"t":[1796709470,...],"v":[12.345,null,...],"a":[1.2345,null,...]}
#include <string>

#include "lookback/plot_series.h"

namespace lookback {

std::string plotJson(const PlotSeries& series);

}  // namespace lookback
