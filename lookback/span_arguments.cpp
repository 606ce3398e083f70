#include "lookback/span_arguments.h"

#include <cstdio>

#include "lookback/span_join.h"
#include "lookback/utf8_path.h"
#include "runtime/local_time.h"

namespace lookback {
namespace {

bool refuse(const char* command, const std::string& reason) {
    std::fprintf(stderr, "kzrt-record: %s: %s\n", command, reason.c_str());
    return false;
}

}  // namespace

bool parseSpanRequest(const char* command, const std::vector<std::string>& arguments, SpanRequest& request) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::string* value = nullptr;
        if (argument == "-o" || argument == "--output") value = &request.output;
        if (argument == "--dir") value = &request.dir;
        if (argument == "--from") value = &request.from;
        if (argument == "--to") value = &request.to;
        if (value) {
            if (i + 1 >= arguments.size()) return refuse(command, argument + " needs a value");
            *value = arguments[++i];
        } else if (!argument.starts_with('-')) {
            request.files.push_back(argument);
        } else {
            return refuse(command, "unexpected argument '" + argument + "'");
        }
    }
    if (!request.dir.empty() && !request.files.empty()) {
        return refuse(command, "give day files or --dir DIR, not both");
    }
    if (request.dir.empty() && request.files.empty()) return refuse(command, "no day file given");
    if (std::string error = parseTimeSpan(request.from, request.to, request.span); !error.empty()) {
        return refuse(command, error);
    }
    return true;
}

std::optional<std::vector<DayRow>> loadRequestedRows(const char* command, const SpanRequest& request, int& exitCode) {
    const std::int64_t now = runtime::UtcSecondsNow();
    SpanRows read = request.dir.empty() ? joinDayFiles(request.files, request.span, now)
                                        : readFolderSpan(request.dir, request.span, now);
    for (const std::string& note : read.notes) std::fprintf(stderr, "kzrt-record: %s: %s\n", command, note.c_str());
    if (read.failure != SpanFailure::None) {
        std::fprintf(stderr, "kzrt-record: %s: %s\n", command, read.error.c_str());
        exitCode = read.failure == SpanFailure::NotJoinable ? 2 : 1;
        return std::nullopt;
    }
    const bool spanAsked = !request.dir.empty() || !request.from.empty() || !request.to.empty();
    if (read.rows.empty() && spanAsked) std::fprintf(stderr, "kzrt-record: %s: no rows in the span\n", command);
    exitCode = 0;
    return std::move(read.rows);
}

std::string requestTitle(const SpanRequest& request, const std::vector<DayRow>& rows) {
    if (request.files.size() == 1 && request.from.empty() && request.to.empty()) {
        return utf8Text(utf8Path(request.files.front()).filename());
    }
    const std::filesystem::path folder =
        request.dir.empty() ? utf8Path(request.files.front()).parent_path() : utf8Path(request.dir);
    std::string title = utf8Text(folder.lexically_normal().filename());
    if (title.empty() || title == ".") title = utf8Text(std::filesystem::absolute(folder).lexically_normal().filename());
    if (!rows.empty()) {
        const std::string first = runtime::IsoText(rows.front().time), last = runtime::IsoText(rows.back().time);
        title += "  " + first.substr(0, 10) + " " + first.substr(11, 5) + " to " + last.substr(0, 10) + " " +
                 last.substr(11, 5);
    }
    return title;
}

}  // namespace lookback
