#include "record/day_file_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "meter/recording_row.h"
#include "runtime/gbk_codec.h"

namespace record {
namespace {

constexpr std::size_t kFields = 15;

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
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
    return text.empty() && row.month >= 1 && row.month <= 12 && row.day >= 1 && row.day <= 31 && row.hour < 24 &&
           row.minute < 60 && row.second < 60;
}

bool readRow(std::string_view line, DayRow& row) {
    static const std::string degrees = runtime::Gbk("℃");
    static const std::array<std::string_view, 7> units = {"V", "A", "W", "R", "Wh", "Ah", degrees};
    const std::vector<std::string_view> fields = split(line, ',');
    if (fields.size() != kFields || !readTime(fields[0], row)) return false;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const std::string_view value = fields[1 + 2 * i];
        if (fields[2 + 2 * i] != units[i] || value.empty() || !runtime::IsAscii(value)) return false;
        row.values[i] = std::string(value);
    }
    return true;
}

}  // namespace

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
    file.headerFound = bytes.starts_with(header + "\r\n");
    if (file.headerFound) bytes.remove_prefix(header.size() + 2);
    // Every complete row ends with CR LF; what follows the last one is torn.
    const std::size_t lastEnd = bytes.rfind("\r\n");
    const std::string_view tail = lastEnd == std::string_view::npos ? bytes : bytes.substr(lastEnd + 2);
    if (!tail.empty()) ++file.skipped;
    bytes = lastEnd == std::string_view::npos ? std::string_view{} : bytes.substr(0, lastEnd);
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find("\r\n", start);
        if (end == std::string_view::npos) end = bytes.size();
        DayRow row;
        if (readRow(bytes.substr(start, end - start), row)) {
            file.rows.push_back(std::move(row));
        } else {
            ++file.skipped;
        }
        start = end + 2;
    }
    std::reverse(file.rows.begin(), file.rows.end());
    return file;
}

}  // namespace record
