#pragma once
// The rows of one meter over a span of days: its day files read, their rows
// joined in time order across midnight, placed in time and cut to the span.
// What is missing or torn is said, never guessed: a day without its file, a
// file's skipped rows.
//
// Day files carry no meter's name; the recorder keeps each meter's files in a
// folder of their own (the folder itself for a meter without a NAME, its NAME
// folder for a named one). So files from two folders are two meters' and are
// never joined, and neither are two files that hold rows of the same day.
#include <cstdint>
#include <string>
#include <vector>

#include "lookback/day_file_reader.h"
#include "lookback/time_span.h"

namespace lookback {

enum class SpanFailure {
    None,
    Unreadable,     // a file could not be read, or is no recording
    NotJoinable,    // files of two meters, or a span that cannot be read
};

struct SpanRows {
    std::vector<DayRow> rows;        // oldest first, placed in time, within the span
    std::vector<std::string> notes;  // to be said: missing days, skipped rows
    SpanFailure failure = SpanFailure::None;
    std::string error;  // why nothing is given, when failure is set
};

// The span's days from one meter's folder: each local date's day file, and
// that date's rows in it. Without a start, the span begins on the day of the
// folder's newest row; without an end, it runs to `nowUtc`.
SpanRows readFolderSpan(const std::string& meterFolder, const TimeSpan& span, std::int64_t nowUtc);

// The given day files of one meter, joined and cut to the span.
SpanRows joinDayFiles(const std::vector<std::string>& paths, const TimeSpan& span, std::int64_t nowUtc);

// The longest span read from a folder: ten years of days.
inline constexpr std::int64_t kLongestSpanDays = 3660;

}  // namespace lookback
