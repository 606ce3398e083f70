#pragma once
// Rows with their own times, a second apart, so that a fold can be checked
// for order: row n (0 to 50399) is at 10:00:00 + n seconds and carries n as
// its voltage.
#include <string>
#include <vector>

#include "meter/recording_row.h"
#include "runtime/conversions.h"
#include "storage/day_file_view.h"

namespace storage::testing {

inline std::string timedRow(int n) {
    return meter::recordingRowText(runtime::MakeDateTime(2015, 12, 5, 10 + n / 3600, n / 60 % 60, n % 60),
                                   {runtime::ToText(n), "1.234", "15.234", "10.004", "0.1234", "0.0456", "+25.3"});
}

// The header and rows first..last, newest first, as the recording writes them.
inline std::string timedDayFile(int first, int last) {
    std::vector<runtime::Text> rows;
    for (int n = first; n <= last; ++n) rows.push_back(timedRow(n));
    return dayFileView("", rows);
}

inline std::vector<runtime::Text> timedRows(int first, int last) {
    std::vector<runtime::Text> rows;
    for (int n = first; n <= last; ++n) rows.push_back(timedRow(n));
    return rows;
}

}  // namespace storage::testing
