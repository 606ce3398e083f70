#pragma once
// File access of the look-back subcommands: whole files in, whole files out.
#include <optional>
#include <string>
#include <vector>

#include "lookback/day_file_reader.h"

namespace lookback {

// The look-back subcommands' arguments, FILE.csv [-o|--output OUT]; false,
// with the unexpected argument named on stderr, for anything else.
bool parseInputOutput(const char* command, const std::vector<std::string>& arguments, std::string& input,
                      std::string& output);
// The day file read and parsed for a look-back subcommand; the skipped rows
// are said on stderr. Nothing, with the reason on stderr, for a file that
// cannot be read or has no recording header ("not a recording" when it holds
// no row either).
std::optional<DayFile> loadDayFile(const char* command, const std::string& path);
// To `path`, or to stdout when it is empty or "-".
std::string writeOutput(const std::string& path, const std::string& bytes);

}  // namespace lookback
