#pragma once
// What the day's file holds for a log: its base with the logged rows on top,
// and the names of the hidden files kept beside it.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/gbk_codec.h"

namespace storage {

// The day's file made from a base (its content when the log began) and the
// rows inserted since, oldest first: each row goes in at the end of the
// 77-byte header, so the newest is on top.
//
// A base shorter than the header (a creation cut short leaves an empty file,
// or a user saved something small under the name) keeps every byte it has:
// the header's missing tail and its line end are appended, so the first line
// reaches the 77 bytes behind which rows go. For an empty base this is exactly
// the file that a whole creation makes. Nothing is ever written beyond the end
// of the file, which would leave a gap of zero bytes.
runtime::Text dayFileView(std::string_view base, const std::vector<runtime::Text>& rows);
// The base as a view begins from it: at least the whole header and its line end.
runtime::Text normalisedBase(std::string_view base);

// The hidden files kept beside a day's file.
std::filesystem::path recordingLogPath(const std::filesystem::path& dayFile);
std::filesystem::path recordingDraftPath(const std::filesystem::path& dayFile);
// The lock file whose holder alone writes the day's file and its log.
std::filesystem::path lockPath(const std::filesystem::path& dayFile);
// The day's file name that a log's or a draft's name stands for:
// ".KZRT2015125.csv.kzrt-log" and ".KZRT2015125.csv.kzrt-new" belong to
// KZRT2015125.csv. Nothing for another name.
std::optional<std::string> dayNameOfLog(const std::filesystem::path& log);
std::optional<std::string> dayNameOfDraft(const std::filesystem::path& draft);
// A file name as the log stores it: UTF-8 on every system.
std::string storedName(const std::filesystem::path& path);
std::filesystem::path directoryOf(const std::filesystem::path& path);

}  // namespace storage
