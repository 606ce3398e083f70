#include "lookback/export_csv.h"

#include <cstdio>

#include "lookback/day_file_io.h"
#include "runtime/local_time.h"

namespace lookback {
namespace {

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
    for (const DayRow& row : file.rows) {
        out += runtime::IsoText(row.time);
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
    std::optional<DayFile> file = loadDayFile("export", input);
    if (!file) return 1;
    placeRowsInTime(file->rows, runtime::UtcSecondsNow());
    const std::string csv = exportCsv(*file);
    if (std::string error = writeOutput(output, csv); !error.empty()) {
        std::fprintf(stderr, "kzrt-record: export: %s: %s\n", output.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace lookback
