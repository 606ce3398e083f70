#pragma once
// The recorder's log on stderr: one short line per event, greppable by its
// first words ("kzrt-record: start office ..."). The event word is coloured
// only when stderr is a terminal, so journald and files get plain text.
#include <string_view>

namespace record {

enum class LogKind { Info, Warning, Problem };

void logLine(LogKind kind, std::string_view event, std::string_view text);

// Whether stderr is a terminal (platform file).
bool stderrIsTerminal();

}  // namespace record
