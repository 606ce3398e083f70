#include "lookback/day_file_list.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "lookback/day_file_reader.h"
#include "lookback/utf8_path.h"
#include "meter/recording_row.h"

namespace lookback {
namespace fs = std::filesystem;
namespace {

// The header, the first row below it (the newest) and the count of line
// ends, in one pass of 64 KB reads.
DayFileInfo describe(const fs::path& path, std::int64_t bytes) {
    DayFileInfo info;
    info.name = utf8Text(path.filename());
    info.path = utf8Text(path);
    info.bytes = bytes;
    std::ifstream file(path, std::ios::binary);
    std::string head;
    std::int64_t lineEnds = 0;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        const std::string_view chunk(buffer, std::size_t(file.gcount()));
        lineEnds += std::count(chunk.begin(), chunk.end(), '\n');
        if (head.size() < 4096) head.append(chunk.substr(0, 4096 - head.size()));
    }
    const std::string header = meter::recordingHeader();
    info.recording = head.starts_with(header) && head.size() > header.size() &&
                     (head[header.size()] == '\r' || head[header.size()] == '\n');
    if (!info.recording) return info;
    info.rows = std::max<std::int64_t>(0, lineEnds - 1);
    const std::size_t start = head.find('\n') + 1;
    std::string_view line = std::string_view(head).substr(start);
    line = line.substr(0, line.find('\n'));
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (const std::optional<DayRow> newest = readDayRow(line)) {
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", newest->year % 10000, newest->month % 100, newest->day % 100);
        info.date = date;
    }
    return info;
}

}  // namespace

bool isDayFileName(std::string_view name) {
    if (!name.starts_with("KZRT") || !name.ends_with(".csv")) return false;
    const std::string_view digits = name.substr(4, name.size() - 8);
    // Year, month and day unpadded: 6 (2026 1 1) to 8 (2026 12 31) digits.
    return digits.size() >= 6 && digits.size() <= 8 &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<DayFileInfo> listDayFiles(const std::string& meterFolder) {
    std::vector<DayFileInfo> files;
    std::error_code error;
    for (fs::directory_iterator it(utf8Path(meterFolder), error), end; !error && it != end; it.increment(error)) {
        const fs::directory_entry& entry = *it;
        std::error_code statError;
        if (entry.is_symlink(statError) || !entry.is_regular_file(statError)) continue;
        if (!isDayFileName(utf8Text(entry.path().filename()))) continue;
        const std::uintmax_t size = entry.file_size(statError);
        if (statError) continue;
        files.push_back(describe(entry.path(), std::int64_t(size)));
    }
    std::sort(files.begin(), files.end(), [](const DayFileInfo& a, const DayFileInfo& b) {
        return a.date != b.date ? a.date > b.date : a.name < b.name;
    });
    return files;
}

std::vector<MeterDayFiles> listMeters(const std::string& folder) {
    std::vector<MeterDayFiles> meters;
    if (std::vector<DayFileInfo> own = listDayFiles(folder); !own.empty()) {
        meters.push_back({"", folder, std::move(own)});
    }
    std::vector<fs::path> named;
    std::error_code error;
    for (fs::directory_iterator it(utf8Path(folder), error), end; !error && it != end; it.increment(error)) {
        std::error_code statError;
        if (!it->is_symlink(statError) && it->is_directory(statError)) named.push_back(it->path());
    }
    std::sort(named.begin(), named.end());
    for (const fs::path& path : named) {
        std::vector<DayFileInfo> files = listDayFiles(utf8Text(path));
        if (!files.empty()) meters.push_back({utf8Text(path.filename()), utf8Text(path), std::move(files)});
    }
    return meters;
}

}  // namespace lookback
