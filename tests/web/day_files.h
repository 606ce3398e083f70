#pragma once
// Day files as the recording writes them, for the look-back tests: the
// header, then rows newest first, voltage 10, 11, 12 … from the first row on.
#include <filesystem>
#include <fstream>
#include <string>

#include "meter/recording_row.h"
#include "runtime/date_time.h"

namespace web::testing {

// `count` rows, one a second from second `fromSecond` of the day.
inline void writeDayFile(const std::filesystem::path& path, int year, int month, int day, int fromSecond, int count) {
    std::string body;
    for (int i = count - 1; i >= 0; --i) {
        const int s = fromSecond + i;
        const meter::ReadoutTexts texts{std::to_string(10 + i) + ".000", "1.0000", "10.000", "10.000",
                                        "0.0010", "0.0001", "+25.0"};
        body += meter::recordingRowText(runtime::MakeDateTime(year, month, day, s / 3600, s / 60 % 60, s % 60), texts);
    }
    std::ofstream(path, std::ios::binary) << meter::recordingHeader() << body << "\r\n";
}

}  // namespace web::testing
