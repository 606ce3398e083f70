#pragma once
// The day's file and the durable log beside it.
//
// Every row is first appended to a hidden log beside the day's file
// (".<name>.kzrt-log") and synced; then a new version of the day's file, its
// header and every row newest first, is published in one step that readers
// see whole. So a row costs one small synced append however long the day is,
// the day's file versions need never be forced to the disk, and whatever a
// kill or a power cut leaves of the day's file, the log makes it again. When
// the session ends (the day changes, recording stops, the program ends) the
// day's file is synced and the log removed; a log left by a crash is folded in
// at the next start, even days later.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "storage/file_system.h"
#include "storage/day_file_view.h"
#include "storage/log_fold.h"
#include "runtime/gbk_codec.h"

namespace storage {

enum class RecordingStep {
    FileCreated,      // the day's file was started: header and line end, no row yet
    RowInserted,      // the rows now sit directly below the header
    CreateFailed,     // the file could not be created (no write access, disk full ...)
    OpenFailed,       // another program holds the file: the rows wait in the log
    WriteFailed,      // the log could not take the rows (disk full ...): the file keeps its content
    ReadOnly,         // the user made the file read-only: it is left as it is, the rows are dropped
    RewriteUnfinished,  // an earlier in-place rewrite was cut short and cannot be finished yet (Windows)
};

// One day's file and its log, through a file system. Not thread-safe: the
// recording writer drives it from its own thread.
class DayFileSession {
public:
    DayFileSession(FileSystem& files, std::filesystem::path dayFile);
    DayFileSession(const DayFileSession&) = delete;
    DayFileSession& operator=(const DayFileSession&) = delete;

    // Logs the rows (oldest first) and publishes the file with them. The
    // first call starts the log; on a day with no file yet, it creates the file
    // and drops the first row, as creation always has.
    RecordingStep record(const std::vector<runtime::Text>& rows);
    // Makes the day's file durable and removes the log. False leaves the log.
    bool finish();

    const std::filesystem::path& dayFile() const { return m_dayFile; }
    // Side files found damaged or foreign since the last call.
    std::vector<IgnoredSideFile> takeIgnored() { return std::exchange(m_ignored, {}); }

private:
    RecordingStep open();
    bool rebaseIfChanged(bool& created);
    bool appendToLog(std::string_view records);
    RecordingStep publish();

    FileSystem& m_files;
    std::filesystem::path m_dayFile;
    std::filesystem::path m_log;
    bool m_open = false;
    runtime::Text m_base;                      // normalised: at least the header
    std::vector<runtime::Text> m_rows;         // in the log, oldest first
    std::size_t m_published = 0;               // rows of m_rows in the published version
    std::int64_t m_logBytes = 0;               // the log's good length
    std::optional<FileStamp> m_version;  // what we published last
    bool m_needsPublish = false;               // the base changed since
    std::vector<IgnoredSideFile> m_ignored;
};

}  // namespace storage
