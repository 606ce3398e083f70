#pragma once
// File access of the look-back subcommands: whole files in, whole files out.
#include <string>

#include "record/day_file_reader.h"

namespace record {

// Empty on success, else the system's reason.
std::string readWholeFile(const std::string& path, std::string& bytes);
// To `path`, or to stdout when it is empty or "-".
std::string writeOutput(const std::string& path, const std::string& bytes);
// "kzrt-record: export: FILE: skipped N torn or damaged rows" on stderr.
void reportSkipped(const char* command, const std::string& path, const DayFile& file);

}  // namespace record
