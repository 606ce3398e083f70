#pragma once
// File access of the look-back subcommands: whole files in, whole files out.
#include <optional>
#include <string>

#include "record/day_file_reader.h"

namespace record {

// The day file read and parsed for a look-back subcommand; what could not be
// read, the missing header and the skipped rows are said on stderr.
std::optional<DayFile> loadDayFile(const char* command, const std::string& path);
// To `path`, or to stdout when it is empty or "-".
std::string writeOutput(const std::string& path, const std::string& bytes);

}  // namespace record
