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
//
// One program writes a day's file at a time: a session takes the day's
// file's lock before it touches the log or the file, and holds it until the
// log is gone.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/gbk_codec.h"
#include "storage/day_file_view.h"
#include "storage/file_system.h"
#include "storage/log_fold.h"

namespace storage {

enum class RecordingStep {
    FileCreated,      // the day's file was started: header and line end, no row yet
    RowInserted,      // the rows now sit directly below the header
    CreateFailed,     // the file could not be created (no write access, disk full ...)
    OpenFailed,       // another program holds the file: the rows wait in the log
    WriteFailed,      // the rows could not be written yet (disk full ...): they wait, the file keeps its content
    ReadOnly,         // the user made the file read-only: it is left as it is, the rows are dropped
    RewriteUnfinished,  // an earlier in-place rewrite was cut short and cannot be finished yet (Windows)
    InUse,            // another copy of the console or the recorder records into the file: the rows wait
    SessionEnded,     // the day's file holds every row and its log is gone
    EndFailed,        // the session could not end (the file is held, the disk is full): the rows wait in the log
};

// Rows by what became of them. A row is written once it is in the day's
// file, failed once it never can be, and waiting in between.
struct RowCounts {
    std::size_t written = 0;
    std::size_t failed = 0;
    std::size_t waiting = 0;
};

// One day's file and its log, through a file system. Not thread-safe: the
// recording thread drives it from its own thread.
class DayFileSession {
public:
    DayFileSession(FileSystem& files, std::filesystem::path dayFile);
    DayFileSession(const DayFileSession&) = delete;
    DayFileSession& operator=(const DayFileSession&) = delete;

    // Logs the rows (oldest first) and publishes the file with them. The
    // first call takes the lock and starts the log; on a day with no file
    // yet, it creates the file and drops the first row, as creation always
    // has (once: a creation that failed already spent that row's tick).
    RecordingStep record(const std::vector<runtime::Text>& rows);
    // Makes the day's file durable and removes the log. False leaves the log
    // and the lock: call again later.
    bool finish();
    // Gives up: the rows not in the log fail, the log stays for the next
    // start to fold, and the lock goes.
    void abandon();

    const std::filesystem::path& dayFile() const { return m_dayFile; }
    // Rows written and failed since the last call, and waiting now.
    RowCounts takeCounts();
    // Rows handed over that are not in the day's file yet and may still be.
    std::size_t waitingRows() const { return m_unlogged.size() + m_waiting.size(); }
    // What folding a log that a crash left did, since the last call.
    std::vector<FoldNote> takeNotes() { return std::exchange(m_notes, {}); }

private:
    enum class State {
        kNotStarted,    // no lock, nothing tried
        kCreateFailed,  // no lock; a tick that should have created the file failed
        kOpen,          // the lock is held and the log started
        kEnded,         // the log is gone and the lock released
    };
    RecordingStep open();
    bool startLog(const std::string& content, std::optional<FileStamp> version);
    void takeBase(std::string_view content, std::optional<FileStamp> version);
    bool rebaseIfChanged(bool& created);
    bool appendToLog(std::string_view records);
    bool logWaitingRows();
    bool needsPublish() const { return m_base || !m_waiting.empty(); }
    RecordingStep publish();
    std::optional<FileStamp> publishNext(Published& result, bool& changed);
    void failUnlogged();
    void release();

    FileSystem& m_files;
    std::filesystem::path m_dayFile;
    std::filesystem::path m_log;
    State m_state = State::kNotStarted;
    std::vector<runtime::Text> m_unlogged;     // handed over, not in the log yet, oldest first
    // The next version is made from the version of the day's file we know
    // (m_version: its first line kept in m_head, the rest copied from the
    // file), or, while a base that the file does not hold yet waits to be
    // published, from that base. None of the day's rows stays in memory, so
    // a day costs no more memory at its end than at its start.
    std::optional<runtime::Text> m_base;       // normalised: at least the header
    runtime::Text m_head;                      // m_version's first kRecordingHeaderBytes
    std::vector<runtime::Text> m_waiting;      // in the log, not yet published, oldest first
    std::int64_t m_logBytes = 0;               // the log's good length
    std::optional<FileStamp> m_version;        // the day's file as we last saw or published it
    RowCounts m_counts;                        // written and failed since takeCounts
    std::vector<FoldNote> m_notes;
};

}  // namespace storage
