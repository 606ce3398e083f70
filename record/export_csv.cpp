#include "record/export_csv.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cstdio>
#include <map>

#include "record/day_file_io.h"
#include "record/iso_time.h"

namespace record {
namespace {

// The zone's offset changes only on whole hours (and rarely): working it out
// once per hour of the day keeps 86,400 rows fast.
class OffsetCache {
public:
    std::string time(const DayRow& row) {
        const int key = ((row.year * 13 + row.month) * 32 + row.day) * 24 + row.hour;
        auto found = m_prefixes.find(key);
        if (found == m_prefixes.end()) {
            const QDateTime local(QDate(row.year, row.month, row.day), QTime(row.hour, 0, 0), Qt::LocalTime);
            const std::string iso = isoLocalTime(local);  // 2026-12-07T14:00:00+01:00
            found = m_prefixes.emplace(key, std::pair(iso.substr(0, 14), iso.substr(19))).first;
        }
        char minuteSecond[8];
        std::snprintf(minuteSecond, sizeof minuteSecond, "%02d:%02d", row.minute, row.second);
        return found->second.first + minuteSecond + found->second.second;
    }

private:
    std::map<int, std::pair<std::string, std::string>> m_prefixes;
};

void appendValue(std::string& out, const std::string& text) {
    out += ',';
    if (!numberValue(text)) return;  // "-OVLD-" and anything else that is no number: an empty cell
    out += text.starts_with('+') ? text.substr(1) : text;
}

}  // namespace

std::string exportCsv(const DayFile& file) {
    std::string out(kExportHeader);
    out += '\n';
    out.reserve(file.rows.size() * 96);
    OffsetCache times;
    for (const DayRow& row : file.rows) {
        out += times.time(row);
        for (const std::string& value : row.values) appendValue(out, value);
        out += '\n';
    }
    return out;
}

int runExport(const std::vector<std::string>& arguments) {
    std::string input, output;
    if (!parseInputOutput("export", arguments, input, output)) return 2;
    if (input.empty()) {
        std::fprintf(stderr, "kzrt-record: export: FILE.csv missing (kzrt-record export FILE.csv [-o OUT.csv])\n");
        return 2;
    }
    const std::optional<DayFile> loaded = loadDayFile("export", input);
    if (!loaded) return 1;
    const DayFile& file = *loaded;
    const std::string csv = exportCsv(file);
    if (std::string error = writeOutput(output, csv); !error.empty()) {
        std::fprintf(stderr, "kzrt-record: export: %s: %s\n", output.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace record
