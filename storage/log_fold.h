#pragma once
// Folding a log that a crash left into its day's file, and retiring a log
// once the day's file holds all of it.
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "storage/file_system.h"

namespace storage {

// A side file that was not applied: one belonging to another file, renamed
// aside so that its name can be used again, or one holding no whole log,
// removed (keptAs empty).
struct IgnoredSideFile {
    std::filesystem::path path;
    std::filesystem::path keptAs;
};

// Folds every log that a crash left in the directory into its day's file and
// removes it, and removes stale drafts. A log that belongs to another file is
// renamed aside, never applied, and returned; one without a whole base (cut
// short, or damaged where it begins) can make nothing and is removed.
struct Recovery {
    std::vector<std::filesystem::path> folded;
    std::vector<IgnoredSideFile> ignored;
    std::vector<std::filesystem::path> discarded;  // cut short before any row went in: removed
    std::vector<std::filesystem::path> failed;  // could not be folded yet (held, read-only, no space)
};
Recovery recoverDirectory(FileSystem& files, const std::filesystem::path& directory);

// The same for one log.
void foldLeftLog(FileSystem& files, const std::filesystem::path& log, Recovery& recovery);

// Publishes `content` as the day's file through its draft; the stamp that the
// day's file now carries, on success.
std::optional<FileStamp> publishView(FileSystem& files, const std::filesystem::path& dayFile,
                                     std::string_view content, Published& result);
// Syncs the day's file, then removes its log: the log is never missing while
// the file on the disk lacks rows.
bool retireLog(FileSystem& files, const std::filesystem::path& dayFile, const std::filesystem::path& log);

}  // namespace storage
