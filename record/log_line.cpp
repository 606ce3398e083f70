#include "record/log_line.h"

#include <cstdio>
#include <string>

namespace record {

void logLine(LogKind kind, std::string_view event, std::string_view text) {
    static const bool colour = stderrIsTerminal();
    const char* start = "";
    const char* end = "";
    if (colour) {
        start = kind == LogKind::Info ? "\x1b[32m" : kind == LogKind::Warning ? "\x1b[33m" : "\x1b[31m";
        end = "\x1b[0m";
    }
    // One write per line, so lines of several meters never interleave.
    const std::string line = "kzrt-record: " + std::string(start) + std::string(event) + end + " " +
                             std::string(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace record
