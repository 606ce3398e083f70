#pragma once
// The day files in a recorder's folder, per meter: a meter without a NAME
// writes its day files into the folder itself, a named one into the folder's
// NAME folder. Only plain files named as the recording names them are
// listed: no symbolic link, nothing else.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lookback {

struct DayFileInfo {
    std::string name;       // KZRT2026127.csv
    std::string path;       // UTF-8
    std::string date;       // of its newest row, 2026-12-07; empty when no row reads
    std::int64_t rows = 0;  // whole lines below the header
    std::int64_t bytes = 0;
    bool recording = false;  // begins with the recording header
};

struct MeterDayFiles {
    std::string meter;   // the NAME folder; empty for the folder's own day files
    std::string folder;  // UTF-8
    std::vector<DayFileInfo> files;  // newest date first
};

// "KZRT" + year + month + day without padding + ".csv".
bool isDayFileName(std::string_view name);

// One meter's day files, newest date first; nothing for a folder that
// cannot be read.
std::vector<DayFileInfo> listDayFiles(const std::string& meterFolder);

// The folder's own day files (when it has any) and each NAME folder's that
// has day files, in name order.
std::vector<MeterDayFiles> listMeters(const std::string& folder);

}  // namespace lookback
