#pragma once
// The recorder's configuration file: the command line's options as
// `key = value` lines, one meter per `meter = [NAME=]PORT` line. Blank lines
// and lines starting with # or ; are comments, and so is the rest of a line
// from a # that follows a blank ("dir = out # data" is "out"); a # within a
// word stays ("meter = rack#2=/dev/ttyUSB0"). Keys repeat only for `meter`;
// a later line of another key replaces an earlier one.
#include <string>
#include <string_view>
#include <vector>

namespace record {

struct ConfigEntry {
    std::string key;    // trimmed, as written
    std::string value;  // trimmed; may be empty
    int line = 0;       // 1-based, for messages
};

struct ConfigParse {
    std::vector<ConfigEntry> entries;
    std::string error;  // "line N: ..." for the first malformed line; empty when none
};

// Bytes as read from the file (UTF-8; a leading byte-order mark is skipped,
// CR LF line ends are accepted).
ConfigParse parseConfigText(std::string_view text);

}  // namespace record
