#pragma once
// The recording tick as it was before the log: on the window thread, the day's
// file rewritten whole behind the header through InsertText (a new file beside
// it renamed over it), every tick. Kept here only to be measured beside the
// log in the same run.
#include <filesystem>
#include <string_view>

namespace bench {

// True when the row went in (or the file was created).
bool previousRecordingTick(const std::filesystem::path& dayFile, std::string_view rowText);

}  // namespace bench
