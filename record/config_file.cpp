#include "record/config_file.h"

namespace record {
namespace {

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\f\v";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// "dir = out # data" means "out": a "#" after a blank starts a comment, as
// in the shell. A "#" inside a word ("rack#2") is part of the value.
std::string_view withoutComment(std::string_view value) {
    for (std::size_t hash = value.find('#'); hash != std::string_view::npos; hash = value.find('#', hash + 1)) {
        if (hash > 0 && (value[hash - 1] == ' ' || value[hash - 1] == '\t')) return value.substr(0, hash);
    }
    return value;
}

}  // namespace

ConfigParse parseConfigText(std::string_view text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    ConfigParse result;
    int lineNumber = 0;
    while (!text.empty() || lineNumber == 0) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        const std::size_t equals = line.find('=');
        const std::string_view key = trimmed(line.substr(0, equals));
        if (equals == std::string_view::npos || key.empty()) {
            result.error = "line " + std::to_string(lineNumber) + ": expected key = value";
            return result;
        }
        result.entries.push_back({std::string(key), std::string(trimmed(withoutComment(line.substr(equals + 1)))), lineNumber});
    }
    return result;
}

}  // namespace record
