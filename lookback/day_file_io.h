#pragma once
// Whole day files in, whole outputs out.
#include <string>

#include "lookback/day_file_reader.h"

namespace lookback {

// A day file read and parsed, or why it cannot be looked at: the system's
// reason, "no recording header" (rows without their header, or nothing at
// all), or "not a recording" (bytes that hold no row either).
struct LoadedDayFile {
    DayFile file;
    std::string error;
};
LoadedDayFile loadDayFile(const std::string& path);

// To `path`, or to stdout when it is empty or "-". Empty on success, else
// the system's reason.
std::string writeOutput(const std::string& path, const std::string& bytes);

}  // namespace lookback
