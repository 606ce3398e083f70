#pragma once
// Folding a log that a crash left into its day's file, and retiring a log
// once the day's file holds all of it. Only the holder of the day's file's
// lock (lockPath) touches its log: a fold takes the lock first and leaves a
// log alone that a running program holds.
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "storage/file_system.h"

namespace storage {

// What a fold did beyond the ordinary, for the user to read.
struct FoldNote {
    enum class Kind {
        kRowsMerged,    // the day's file had changed since: `rows` rows of the log went in at their place
        kRowsSetAside,  // the day's file had changed and its order left no sound place: `rows` rows are in `keptAs`
        kDamagedLog,    // the log did not decode to its end: what held was folded in, the log is kept as `keptAs`
        kForeignLog,    // the log names another file: not applied, kept as `keptAs`
        kEmptyLogRemoved,  // cut short before its first record: nothing relied on it, removed
    };
    Kind kind;
    std::filesystem::path dayFile;
    std::filesystem::path log;
    std::filesystem::path keptAs;
    std::size_t rows = 0;
};

struct Recovery {
    std::vector<std::filesystem::path> folded;  // day's files that now hold their log
    std::vector<FoldNote> notes;
    std::vector<std::filesystem::path> failed;  // could not be folded yet (read-only, no space, held open)
    std::vector<std::filesystem::path> inUse;   // a running program records into them
};
// Folds every log that a crash left in the directory, and removes drafts that
// no running program writes.
Recovery recoverDirectory(FileSystem& files, const std::filesystem::path& directory);
// The same for one log; the caller holds the lock of the log's day's file.
void foldLeftLog(FileSystem& files, const std::filesystem::path& log, Recovery& recovery);

// Publishes `content` as the day's file through its draft; the stamp that the
// day's file now carries, on success.
std::optional<FileStamp> publishView(FileSystem& files, const std::filesystem::path& dayFile,
                                     std::string_view content, Published& result);
// The same for a draft already written beside the day's file.
std::optional<FileStamp> publishDraft(FileSystem& files, const std::filesystem::path& dayFile, Published& result);
// Syncs the day's file, then removes its log: the log is never missing while
// the file on the disk lacks rows.
bool retireLog(FileSystem& files, const std::filesystem::path& dayFile, const std::filesystem::path& log);

}  // namespace storage
