#pragma once
// A day file read back for a look at the recording: the header line, then
// rows newest first, each "time,value,unit,..." in GBK with its CR LF, the
// last one closed by the header's own line end. Rows come out oldest first.
//
// A row that does not read exactly as the recording writes it (a torn last
// line without its CR LF, a damaged or foreign line) is skipped and counted,
// never guessed at.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace record {

struct DayRow {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    // voltage, current, power, resistance, energy, charge, temperature:
    // the read-out texts as recorded (ASCII).
    std::array<std::string, 7> values;
    // The staleness rule cleared the live read-outs: the meter was away.
    bool zeroed() const { return values[0] == "0" && values[1] == "0"; }
    std::int64_t secondOfDay() const { return hour * 3600 + minute * 60 + second; }
};

struct DayFile {
    std::vector<DayRow> rows;  // oldest first
    int skipped = 0;           // rows that were torn or damaged
    bool headerFound = false;
};

DayFile readDayFile(std::string_view bytes);

// A read-out text as a plain number; nothing for "-OVLD-" and other texts.
std::optional<double> numberValue(std::string_view text);

}  // namespace record
