#pragma once
// Recording rows that carry their number as the voltage, so that a day's file
// can be checked row by row: whole, newest first, none missing.
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "storage/day_file_session.h"
#include "meter/recording_row.h"
#include "runtime/conversions.h"

namespace console::testing {

inline runtime::Text numberedRow(long n) {
    return meter::recordingRowText(runtime::MakeDateTime(2015, 12, 5, 14, 3, 7),
                            {runtime::ToText(double(n)), "1.234", "15.234", "10.004", "0.1234", "0.0456", "+25.3"});
}

// The day's file holding the header and rows 1..newest.
inline runtime::Text numberedDayFile(long newest) {
    std::vector<runtime::Text> rows;
    for (long n = 1; n <= newest; ++n) rows.push_back(numberedRow(n));
    return storage::dayFileView("", rows);
}

// The number of the newest row (the first below the header), 0 for none.
inline long newestRow(const std::string& content) {
    const std::size_t comma = content.find(',', meter::kRecordingHeaderBytes + 2);
    if (content.size() <= meter::kRecordingHeaderBytes + 2 || comma == std::string::npos) return 0;
    return std::atol(content.c_str() + comma + 1);
}

// Whole: exactly the header and rows 1..newest, newest first. Compared in
// place, fast enough for a reader in a tight loop.
inline bool isWholeDayFile(std::string_view content) {
    static const runtime::Text zero = numberedRow(0);
    static const std::size_t at = zero.find(",0,V,") + 1;
    const std::string_view before = std::string_view(zero).substr(0, at);
    const std::string_view after = std::string_view(zero).substr(at + 1);
    const std::string header = meter::recordingHeader();
    if (!content.starts_with(header)) return false;
    content.remove_prefix(header.size());
    for (long n = newestRow(std::string(content.substr(0, 200)).insert(0, header)); n >= 1; --n) {
        const std::string number = std::to_string(n);
        if (!content.starts_with(before) || content.substr(before.size()).substr(0, number.size()) != number ||
            !content.substr(before.size() + number.size()).starts_with(after)) {
            return false;
        }
        content.remove_prefix(before.size() + number.size() + after.size());
    }
    return content == "\r\n";
}

}  // namespace console::testing
