#pragma once
// What the web page is told about one meter at one tick: what the network
// outputs get (the row's texts, time and counters), plus what a person
// watching a run wants beside them (the run's state, time and totals).
#include <cstdint>
#include <optional>
#include <string>

#include "publish/meter_tick.h"

namespace web {

// Fixed for a run: the meter's name and its capacity test, if any.
struct MeterInfo {
    std::string name;
    std::optional<double> cutoffVolts;  // a capacity test's --stop-below
    int holdSeconds = 0;
};

struct WebTick {
    publish::MeterTick meter;
    bool row = true;                  // a row went to the day file; false: only the state changed
    std::int64_t elapsedSeconds = 0;  // since the meter's recording started
    double wattHours = 0.0;
    double ampereHours = 0.0;
    int secondsBelow = 0;             // the capacity test's seconds below its cutoff so far
    std::string stopReason;           // why the meter stopped; empty while it records
};

}  // namespace web
