#pragma once
// The look-back subcommands' arguments: one or more day files, or a meter's
// folder and a span, and where the output goes.
//
//   FILE.csv [FILE.csv ...] [--from T] [--to T] [-o OUT]
//   --dir DIR [--from T] [--to T] [-o OUT]
#include <optional>
#include <string>
#include <vector>

#include "lookback/day_file_reader.h"
#include "lookback/time_span.h"

namespace lookback {

struct SpanRequest {
    std::vector<std::string> files;
    std::string dir;
    std::string from, to;  // as given
    TimeSpan span;
    std::string output;
};

// False, with the reason on stderr after "kzrt-record: COMMAND: ", for
// anything else (exit code 2).
bool parseSpanRequest(const char* command, const std::vector<std::string>& arguments, SpanRequest& request);

// The rows asked for, oldest first and placed in time; notes said on stderr.
// Nothing, with the reason said and the exit code set (1: a file cannot be
// read or is no recording; 2: files that are not joined), when it fails.
std::optional<std::vector<DayRow>> loadRequestedRows(const char* command, const SpanRequest& request, int& exitCode);

// A title for what was asked: the file's name, or the folder and the span.
std::string requestTitle(const SpanRequest& request, const std::vector<DayRow>& rows);

}  // namespace lookback
