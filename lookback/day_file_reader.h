#pragma once
// A day file read back for a look at the recording: the header line, then
// rows newest first, each "time,value,unit,..." in GBK with its CR LF, the
// last one closed by the header's own line end. Rows come out oldest first.
// A file whose line ends were converted to LF reads the same.
//
// A row that does not read exactly as the recording writes it (a torn last
// line without its CR LF, a damaged or foreign line) is skipped and counted,
// never guessed at.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/local_time.h"

namespace lookback {

struct DayRow {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    // voltage, current, power, resistance, energy, charge, temperature:
    // the read-out texts as recorded (ASCII).
    std::array<std::string, 7> values;
    // The staleness rule cleared the live read-outs: the meter was away.
    bool zeroed() const { return values[0] == "0" && values[1] == "0"; }
    runtime::WallSeconds wallSeconds() const {
        return runtime::ToWallSeconds(year, month, day, hour, minute, second);
    }
    // The instant the row was taken, once placeRowsInTime has walked its rows.
    runtime::ZonedTime time;
};

struct DayFile {
    std::vector<DayRow> rows;  // oldest first
    int skipped = 0;           // rows that were torn or damaged
    bool headerFound = false;
};

DayFile readDayFile(std::string_view bytes);
// One row's line without its line end; nothing when it does not read exactly.
std::optional<DayRow> readDayRow(std::string_view line);

// Gives each row (oldest first) its instant: walked newest first, each row
// takes the latest instant its wall-clock time may name before its newer
// neighbour's, so the times are strictly increasing across the hour the
// clock is set back. The newest row's instant is not after the bound (the
// present, for a file being looked at now).
void placeRowsInTime(std::vector<DayRow>& rows, std::int64_t newestNotAfterUtc);
// The same for rows that older rows will follow: returns the bound for the
// next older row.
std::int64_t placeRowsInTime(std::vector<DayRow>& rows, std::int64_t newestNotAfterUtc, runtime::LocalZone& zone);

// A read-out text as a plain number; nothing for "-OVLD-" and other texts.
std::optional<double> numberValue(std::string_view text);

}  // namespace lookback
