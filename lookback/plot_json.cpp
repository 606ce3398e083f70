#include "lookback/plot_json.h"

#include <cstdio>
#include <optional>

namespace lookback {
namespace {

void appendNumber(std::string& out, const std::optional<double>& value, const char* format = "%.10g") {
    if (!value) {
        out += "null";
        return;
    }
    char text[32];
    const int length = std::snprintf(text, sizeof text, format, *value);
    out.append(text, std::size_t(length));
}

}  // namespace

std::string plotJson(const PlotSeries& series) {
    std::string times, volts, amps;
    const std::size_t count = series.times.size();
    times.reserve(count * 12);
    volts.reserve(count * 8);
    amps.reserve(count * 8);
    for (std::size_t i = 0; i < count; ++i) {
        const bool first = times.empty();
        if (!first && series.breakBefore[i]) {
            times += ',';
            appendNumber(times, (series.times[i - 1] + series.times[i]) / 2, "%.12g");
            volts += ",null";
            amps += ",null";
        }
        if (!first) {
            times += ',';
            volts += ',';
            amps += ',';
        }
        appendNumber(times, series.times[i], "%.12g");
        appendNumber(volts, series.volts[i]);
        appendNumber(amps, series.amps[i]);
    }
    return "{\"t\":[" + times + "],\"v\":[" + volts + "],\"a\":[" + amps + "]}";
}

}  // namespace lookback
