#include "lookback/export_csv.h"

#include <cstdio>

#include "lookback/day_file_io.h"
#include "lookback/span_arguments.h"
#include "runtime/local_time.h"

namespace lookback {
namespace {

void appendValue(std::string& out, const std::string& text) {
    out += ',';
    if (!numberValue(text)) return;  // "-OVLD-" and anything else that is no number: an empty cell
    out += text.starts_with('+') ? text.substr(1) : text;
}

}  // namespace

std::string exportCsv(const std::vector<DayRow>& rows) {
    std::string out(kExportHeader);
    out += '\n';
    out.reserve(rows.size() * 96);
    for (const DayRow& row : rows) {
        out += runtime::IsoText(row.time);
        for (const std::string& value : row.values) appendValue(out, value);
        out += '\n';
    }
    return out;
}

int runExport(const std::vector<std::string>& arguments) {
    SpanRequest request;
    if (!parseSpanRequest("export", arguments, request)) {
        std::fprintf(stderr, "kzrt-record: export: usage: kzrt-record export FILE.csv... | --dir DIR [--from T] [--to T] "
                             "[-o OUT.csv]\n");
        return 2;
    }
    int exitCode = 0;
    const std::optional<std::vector<DayRow>> rows = loadRequestedRows("export", request, exitCode);
    if (!rows) return exitCode;
    if (std::string error = writeOutput(request.output, exportCsv(*rows)); !error.empty()) {
        std::fprintf(stderr, "kzrt-record: export: %s: %s\n", request.output.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace lookback
