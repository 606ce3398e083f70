#pragma once
// What the outputs are told about one meter at one recording tick: the row's
// read-out texts exactly as displayed, and the meter's counters. Both the
// recorder and the console fill it from what they already hold; the outputs
// never reach into either.
#include <cstdint>
#include <string>

#include <QDateTime>

#include "runtime/date_time.h"

namespace publish {

// The seven read-out texts of the row ("-OVLD-" and "0" included). Numbers
// are ASCII, so the texts pass unchanged whatever the files' encoding.
struct ReadoutTexts {
    std::string voltage;
    std::string current;
    std::string power;
    std::string resistance;
    std::string energyWh;
    std::string chargeAh;
    std::string temperature;  // with its sign prefix: "+25.3", "-5.0", "125.3"
};

struct MeterTick {
    QDateTime time;  // the row's time, local
    ReadoutTexts readouts;
    std::uint64_t frames = 0;            // frames decoded since start
    std::uint64_t rowsWritten = 0;       // rows the day files received
    std::uint64_t rowWriteFailures = 0;  // rows that could not be written
    std::uint64_t deviceLosses = 0;      // times the device went away
    bool deviceAway = false;             // the device is gone right now
    bool up = false;                     // decoded frames arrived within the staleness window
    bool stopped = false;                // the meter's recording has ended
};

// What availability says and kzrt_up shows: the meter records, its device is
// there, and it sends frames that decode. Bytes alone (a wrong baud rate or
// parity) do not count.
inline bool meterOnline(const MeterTick& tick) { return tick.up && !tick.deviceAway && !tick.stopped; }

// A tick's local date-time as the outputs carry it.
QDateTime tickTime(runtime::DateTime when);

}  // namespace publish
