#include "lookback/day_file_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "meter/recording_row.h"
#include "runtime/gbk_codec.h"

namespace lookback {
namespace {

constexpr std::size_t kFields = 15;

// Exactly kFields fields, or false (a line of a million commas stops early).
bool split(std::string_view text, std::array<std::string_view, kFields>& fields) {
    std::size_t count = 0;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(',', start);
        if (count == kFields) return false;
        fields[count++] = text.substr(start, end - start);
        if (end == std::string_view::npos) return count == kFields;
        start = end + 1;
    }
}

// Reads digits up to a GBK marker ("年", "时" ...) and moves past it.
bool readPart(std::string_view& text, std::string_view marker, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data()) return false;
    const std::string_view rest = text.substr(std::size_t(end - text.data()));
    if (!rest.starts_with(marker)) return false;
    text = rest.substr(marker.size());
    return true;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// "2026年12月7日14时5分3秒": the trailing parts that are zero are left out.
bool readTime(std::string_view text, DayRow& row) {
    static const std::string year = runtime::Gbk("年"), month = runtime::Gbk("月"), day = runtime::Gbk("日");
    static const std::string hour = runtime::Gbk("时"), minute = runtime::Gbk("分"), second = runtime::Gbk("秒");
    if (!readPart(text, year, row.year) || !readPart(text, month, row.month) || !readPart(text, day, row.day)) {
        return false;
    }
    if (!text.empty() && !readPart(text, hour, row.hour)) return false;
    if (!text.empty() && !readPart(text, minute, row.minute)) return false;
    if (!text.empty() && !readPart(text, second, row.second)) return false;
    return text.empty() && row.year >= 1 && row.year <= 9999 && row.month >= 1 && row.month <= 12 && row.day >= 1 &&
           row.day <= daysInMonth(row.year, row.month) && row.hour >= 0 && row.hour < 24 && row.minute >= 0 &&
           row.minute < 60 && row.second >= 0 && row.second < 60;
}

bool readRowInto(std::string_view line, DayRow& row) {
    static const std::string degrees = runtime::Gbk("℃");
    static const std::array<std::string_view, 7> units = {"V", "A", "W", "R", "Wh", "Ah", degrees};
    std::array<std::string_view, kFields> fields;
    if (!split(line, fields) || !readTime(fields[0], row)) return false;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const std::string_view value = fields[1 + 2 * i];
        if (fields[2 + 2 * i] != units[i] || value.empty() || !runtime::IsAscii(value)) return false;
        row.values[i].assign(value);
    }
    return true;
}

}  // namespace

std::optional<DayRow> readDayRow(std::string_view line) {
    DayRow row;
    if (!readRowInto(line, row)) return std::nullopt;
    return row;
}

std::optional<double> numberValue(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

DayFile readDayFile(std::string_view bytes) {
    DayFile file;
    const std::string header = meter::recordingHeader();
    // The header's line ends in CR LF as written, or in LF alone once an
    // editor or git has converted the file; rows are read either way.
    for (const std::string_view end : {"\r\n", "\n"}) {
        if (bytes.size() >= header.size() + end.size() && bytes.starts_with(header) &&
            bytes.substr(header.size(), end.size()) == end) {
            file.headerFound = true;
            bytes.remove_prefix(header.size() + end.size());
            break;
        }
    }
    // Every complete row ends with its line end; what follows the last one
    // is torn.
    const std::size_t lastEnd = bytes.rfind('\n');
    const std::string_view tail = lastEnd == std::string_view::npos ? bytes : bytes.substr(lastEnd + 1);
    if (!tail.empty()) ++file.skipped;
    bytes = lastEnd == std::string_view::npos ? std::string_view{} : bytes.substr(0, lastEnd);
    if (bytes.ends_with('\r')) bytes.remove_suffix(1);
    file.rows.reserve(std::size_t(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        if (line.ends_with('\r')) line.remove_suffix(1);
        DayRow row;
        if (readRowInto(line, row)) {
            file.rows.push_back(std::move(row));
        } else {
            ++file.skipped;
        }
        start = end + 1;
    }
    std::reverse(file.rows.begin(), file.rows.end());
    return file;
}

std::int64_t placeRowsInTime(std::vector<DayRow>& rows, std::int64_t newestNotAfterUtc, runtime::LocalZone& zone) {
    std::int64_t bound = newestNotAfterUtc;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        row->time = zone.resolve(row->wallSeconds(), bound);
        bound = row->time.utcSeconds - 1;
    }
    return bound;
}

void placeRowsInTime(std::vector<DayRow>& rows, std::int64_t newestNotAfterUtc) {
    runtime::LocalZone zone;
    placeRowsInTime(rows, newestNotAfterUtc, zone);
}

}  // namespace lookback
