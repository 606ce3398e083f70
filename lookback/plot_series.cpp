#include "lookback/plot_series.h"

#include <algorithm>
#include <cstdint>

namespace lookback {
namespace {

// Rows further apart than this, or than a few times the recording's usual
// spacing (a recording every 20 s), were not one stretch of recording.
constexpr double kPauseSeconds = 10.0;
constexpr double kPauseSpacings = 2.5;

double pauseAfter(const std::vector<DayRow>& rows) {
    std::vector<std::int64_t> spacings;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        spacings.push_back(rows[i].time.utcSeconds - rows[i - 1].time.utcSeconds);
    }
    if (spacings.empty()) return kPauseSeconds;
    std::nth_element(spacings.begin(), spacings.begin() + std::ptrdiff_t(spacings.size() / 2), spacings.end());
    return std::max(kPauseSeconds, kPauseSpacings * double(spacings[spacings.size() / 2]));
}

}  // namespace

PlotSeries plotSeries(const std::vector<DayRow>& rows) {
    PlotSeries series;
    double previous = -1e18;
    const double pause = pauseAfter(rows);
    for (const DayRow& row : rows) {
        const double t = double(row.time.utcSeconds);
        series.times.push_back(t);
        series.breakBefore.push_back(t - previous > pause);
        previous = t;
        const bool away = row.zeroed();
        series.volts.push_back(away ? std::nullopt : numberValue(row.values[0]));
        series.amps.push_back(away ? std::nullopt : numberValue(row.values[1]));
    }
    return series;
}

}  // namespace lookback
