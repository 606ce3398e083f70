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

#include "runtime/file_system.h"
#include "runtime/gbk_codec.h"

namespace meter {

enum class RecordingStep {
    FileCreated,      // the day's file was started: header and line end, no row yet
    RowInserted,      // the rows now sit directly below the header
    CreateFailed,     // the file could not be created (no write access, disk full ...)
    OpenFailed,       // another program holds the file: the rows wait in the log
    WriteFailed,      // the log could not take the rows (disk full ...): the file keeps its content
    ReadOnly,         // the user made the file read-only: it is left as it is, the rows are dropped
    RewriteUnfinished,  // an earlier in-place rewrite was cut short and cannot be finished yet (Windows)
};

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

// The hidden files kept beside a day's file.
std::filesystem::path recordingLogPath(const std::filesystem::path& dayFile);
std::filesystem::path recordingDraftPath(const std::filesystem::path& dayFile);

// A side file that was not applied: one belonging to another file, renamed
// aside so that its name can be used again, or one holding no whole log,
// removed (keptAs empty).
struct IgnoredSideFile {
    std::filesystem::path path;
    std::filesystem::path keptAs;
};

// One day's file and its log, through a file system. Not thread-safe: the
// recording writer drives it from its own thread.
class DayFileSession {
public:
    DayFileSession(runtime::FileSystem& files, std::filesystem::path dayFile);
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
    void takeBase(std::string_view content, std::optional<runtime::FileStamp> stamp);
    RecordingStep publish();
    std::optional<runtime::FileStamp> publishNext(runtime::Published& result, bool& changed);

    runtime::FileSystem& m_files;
    std::filesystem::path m_dayFile;
    std::filesystem::path m_log;
    bool m_open = false;
    // The next version is made from the last one we published (its first
    // line kept in m_head, the rest copied from the file), or, until a base
    // that the file does not hold yet is published, from that base. Nothing
    // of the day's rows stays in memory, so a day costs no more memory at its
    // end than at its start.
    std::optional<runtime::Text> m_base;       // normalised: at least the header
    runtime::Text m_head;                      // the published version's first kRecordingHeaderBytes
    std::vector<runtime::Text> m_waiting;      // in the log, not yet published, oldest first
    std::int64_t m_logBytes = 0;               // the log's good length
    std::optional<runtime::FileStamp> m_version;  // what we published last
    std::vector<IgnoredSideFile> m_ignored;
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
Recovery recoverDirectory(runtime::FileSystem& files, const std::filesystem::path& directory);

}  // namespace meter
