#include "storage/day_file_session.h"

#include "meter/recording_row.h"
#include "storage/log_format.h"

namespace storage {
namespace {

namespace fs = std::filesystem;

std::string logRows(const std::vector<runtime::Text>& rows) {
    std::string records;
    for (const runtime::Text& row : rows) records += EncodeLogRow(row);
    return records;
}

}  // namespace

DayFileSession::DayFileSession(FileSystem& files, fs::path dayFile)
    : m_files(files), m_dayFile(std::move(dayFile)), m_log(recordingLogPath(m_dayFile)) {}

// Takes the lock before anything is touched, folds in a log that a crash
// left, and starts the log from the day's file as it is now. The log and its
// name are on the disk before any version of the day's file is published
// that the disk may not hold.
RecordingStep DayFileSession::open() {
    if (m_files.isReadOnly(m_dayFile)) return RecordingStep::ReadOnly;
    const bool missing = !m_files.stamp(m_dayFile);
    switch (m_files.lock(lockPath(m_dayFile))) {
    case Lock::kHeld:
        return RecordingStep::InUse;
    case Lock::kFailed:
        return missing ? RecordingStep::CreateFailed : RecordingStep::WriteFailed;
    case Lock::kTaken:
        break;
    }
    if (m_files.stamp(m_log)) {
        Recovery recovery;
        foldLeftLog(m_files, m_log, recovery);
        m_notes.insert(m_notes.end(), recovery.notes.begin(), recovery.notes.end());
        if (!recovery.failed.empty()) {
            release();
            return RecordingStep::OpenFailed;
        }
    }
    const bool created = !m_files.stamp(m_dayFile);
    const std::optional<std::string> content = created ? std::string() : m_files.read(m_dayFile);
    if (!content) {
        release();
        return m_files.unfinishedRewrite(m_dayFile) ? RecordingStep::RewriteUnfinished : RecordingStep::OpenFailed;
    }
    if (!startLog(*content, created ? std::nullopt : m_files.stamp(m_dayFile))) {
        release();
        return created ? RecordingStep::CreateFailed : RecordingStep::WriteFailed;
    }
    m_state = State::kOpen;
    return created ? RecordingStep::FileCreated : RecordingStep::RowInserted;
}

// A new log whose base is `content` (the day's file at `version`, none when
// there is no file); the rows that no published version holds go on top.
bool DayFileSession::startLog(const std::string& content, std::optional<FileStamp> version) {
    const std::string records = EncodeLogBase(storedName(m_dayFile), content) + logRows(m_waiting);
    if (!m_files.write(m_log, records) || !m_files.sync(m_log) || !m_files.syncDirectory(directoryOf(m_dayFile))) {
        m_files.remove(m_log);  // ours: the lock is held
        return false;
    }
    m_logBytes = std::int64_t(records.size());
    takeBase(content, version);
    return true;
}

// The next version is made from `content`, the day's file at `version`. A
// file that holds at least a whole first line is used where it lies; a
// shorter one, or none, is kept in memory until it is published.
void DayFileSession::takeBase(std::string_view content, std::optional<FileStamp> version) {
    m_version = version;
    if (version && content.size() >= meter::kRecordingHeaderBytes) {
        m_base.reset();
        m_head = runtime::Text(content.substr(0, meter::kRecordingHeaderBytes));
    } else {
        m_base = normalisedBase(content);
    }
}

bool DayFileSession::appendToLog(std::string_view records) {
    if (m_files.append(m_log, records)) {
        m_logBytes += std::int64_t(records.size());
        return true;
    }
    // A record cut short would hide every record appended after it.
    m_files.truncate(m_log, m_logBytes);
    return false;
}

bool DayFileSession::logWaitingRows() {
    if (m_unlogged.empty()) return true;
    const std::string records = logRows(m_unlogged);
    if (!appendToLog(records)) {
        // A log removed behind the session's back (by hand, by a cleaner)
        // begins again from the day's file as it is.
        if (m_files.stamp(m_log)) return false;
        const std::optional<FileStamp> now = m_files.stamp(m_dayFile);
        const std::optional<std::string> content = now ? m_files.read(m_dayFile) : std::string();
        if (!content || !startLog(*content, now)) return false;
        if (!appendToLog(records)) return false;
    }
    m_waiting.insert(m_waiting.end(), m_unlogged.begin(), m_unlogged.end());
    m_unlogged.clear();
    return true;
}

// Another program replaced, truncated, extended or deleted the day's file
// since our last version: its content becomes the new base, and only the rows
// that no published version holds yet go on top of it.
bool DayFileSession::rebaseIfChanged(bool& created) {
    const std::optional<FileStamp> now = m_files.stamp(m_dayFile);
    if (m_base || now == m_version) return true;
    created = !now;
    const std::optional<std::string> content = created ? std::string() : m_files.read(m_dayFile);
    if (!content) return false;
    if (!appendToLog(EncodeLogBase(storedName(m_dayFile), *content) + logRows(m_waiting))) return false;
    // Published at once from memory, with the waiting rows on top even when
    // none wait, so that the version on the disk is ours again.
    m_version = now;
    m_base = normalisedBase(*content);
    return true;
}

// The next version: the first line, the waiting rows newest first, then the
// rest of the base, from memory or copied from the version we know.
std::optional<FileStamp> DayFileSession::publishNext(Published& result, bool& changed) {
    changed = false;
    if (m_base) return publishView(m_files, m_dayFile, dayFileView(*m_base, m_waiting), result);
    result = Published::kFailed;
    // m_head is a whole first line: its view is that line with the rows on top.
    const runtime::Text top = dayFileView(m_head, m_waiting);
    const fs::path draft = recordingDraftPath(m_dayFile);
    Copied copied = Copied::kFailed;
    if (m_version && m_files.write(draft, top)) {
        copied = m_files.appendTail(m_dayFile, *m_version, std::int64_t(meter::kRecordingHeaderBytes), draft);
    }
    if (copied == Copied::kDone) return publishDraft(m_files, m_dayFile, result);
    m_files.remove(draft);
    changed = copied == Copied::kChanged;
    return std::nullopt;
}

RecordingStep DayFileSession::publish() {
    Published result = Published::kFailed;
    bool changed = false;
    std::optional<FileStamp> version = publishNext(result, changed);
    // Another program wrote the file between our look and the copy: its
    // version becomes the base, as at the start of a tick.
    bool created = false;
    if (changed && rebaseIfChanged(created)) version = publishNext(result, changed);
    if (!version) return result == Published::kHeld ? RecordingStep::OpenFailed : RecordingStep::WriteFailed;
    m_version = version;
    if (m_base) m_head = m_base->substr(0, meter::kRecordingHeaderBytes);
    m_base.reset();
    m_counts.written += m_waiting.size();
    m_waiting.clear();
    // A long wait for a held file may have gathered many rows.
    if (m_waiting.capacity() > 64) m_waiting.shrink_to_fit();
    return RecordingStep::RowInserted;
}

RecordingStep DayFileSession::record(const std::vector<runtime::Text>& rows) {
    const std::size_t firstFresh = m_unlogged.size();
    m_unlogged.insert(m_unlogged.end(), rows.begin(), rows.end());
    const bool creationTickSpent = m_state == State::kCreateFailed;
    RecordingStep step = RecordingStep::RowInserted;
    if (m_state != State::kOpen) step = open();
    switch (step) {
    case RecordingStep::FileCreated:
    case RecordingStep::RowInserted:
        break;
    case RecordingStep::CreateFailed:
        m_state = State::kCreateFailed;
        failUnlogged();
        return step;
    case RecordingStep::ReadOnly:
        failUnlogged();
        return step;
    default:  // held, in use, or the disk refused the log: the rows wait
        return step;
    }
    if (m_files.isReadOnly(m_dayFile)) {
        failUnlogged();
        return RecordingStep::ReadOnly;
    }
    bool created = false;
    if (!rebaseIfChanged(created)) return RecordingStep::WriteFailed;
    if (created) step = RecordingStep::FileCreated;
    // A day's file is created on one row's tick and that row is not written;
    // after a failed creation that tick has passed.
    if (step == RecordingStep::FileCreated && !creationTickSpent && !rows.empty()) {
        m_unlogged.erase(m_unlogged.begin() + std::ptrdiff_t(firstFresh));
    }
    if (!logWaitingRows()) return RecordingStep::WriteFailed;
    // The new version is published before the log is synced: a sync may wait
    // seconds on a slow disk, and the rows belong in the file at once. This is
    // safe because after a power cut the file is made again from the log.
    RecordingStep published = RecordingStep::RowInserted;
    if (needsPublish()) published = publish();
    if (!m_files.sync(m_log)) return RecordingStep::WriteFailed;
    if (published != RecordingStep::RowInserted) {
        return step == RecordingStep::FileCreated ? RecordingStep::CreateFailed : published;
    }
    return step;
}

bool DayFileSession::finish() {
    if (m_state != State::kOpen) {
        failUnlogged();
        m_state = State::kEnded;
        return true;
    }
    bool created = false;
    if (!rebaseIfChanged(created) || !logWaitingRows()) return false;
    if (needsPublish() && publish() != RecordingStep::RowInserted) return false;
    if (!retireLog(m_files, m_dayFile, m_log)) return false;
    release();
    m_state = State::kEnded;
    m_waiting = {};
    m_base.reset();
    return true;
}

void DayFileSession::abandon() {
    failUnlogged();
    if (m_state == State::kOpen) release();
    m_state = State::kEnded;
}

void DayFileSession::failUnlogged() {
    m_counts.failed += m_unlogged.size();
    m_unlogged = {};
}

void DayFileSession::release() { m_files.unlock(lockPath(m_dayFile)); }

RowCounts DayFileSession::takeCounts() {
    RowCounts counts = std::exchange(m_counts, {});
    counts.waiting = waitingRows();
    return counts;
}

}  // namespace storage
