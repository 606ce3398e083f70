#include "storage/day_file_session.h"

#include "meter/recording_row.h"
#include "storage/day_file_view.h"
#include "storage/log_format.h"
#include "storage/log_fold.h"

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

// Starts the log from the day's file as it is now, after folding in a log
// that a crash left for it. The log and its name are on the disk before any
// version of the day's file is published that the disk may not hold.
RecordingStep DayFileSession::open() {
    if (m_files.isReadOnly(m_dayFile)) return RecordingStep::ReadOnly;
    if (m_files.stamp(m_log)) {
        Recovery recovery;
        foldLeftLog(m_files, m_log, recovery);
        m_ignored.insert(m_ignored.end(), recovery.ignored.begin(), recovery.ignored.end());
        if (!recovery.failed.empty()) return RecordingStep::OpenFailed;
    }
    const bool created = !m_files.stamp(m_dayFile);
    const std::optional<std::string> content = created ? std::string() : m_files.read(m_dayFile);
    if (!content) {
        return m_files.unfinishedRewrite(m_dayFile) ? RecordingStep::RewriteUnfinished : RecordingStep::OpenFailed;
    }
    const std::string base = EncodeLogBase(storedName(m_dayFile), *content);
    if (!m_files.write(m_log, base) || !m_files.sync(m_log) || !m_files.syncDirectory(directoryOf(m_dayFile)) ||
        !m_files.lock(m_log)) {
        m_files.remove(m_log);
        return created ? RecordingStep::CreateFailed : RecordingStep::WriteFailed;
    }
    m_open = true;
    m_base = normalisedBase(*content);
    m_rows.clear();
    m_published = 0;
    m_logBytes = std::int64_t(base.size());
    m_version = created ? std::nullopt : m_files.stamp(m_dayFile);
    m_needsPublish = created;
    return created ? RecordingStep::FileCreated : RecordingStep::RowInserted;
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

// Another program replaced, truncated, extended or deleted the day's file
// since our last version: its content becomes the new base, and only the rows
// that no published version holds yet go on top of it.
bool DayFileSession::rebaseIfChanged(bool& created) {
    const std::optional<FileStamp> now = m_files.stamp(m_dayFile);
    if (m_needsPublish || now == m_version) return true;
    created = !now;
    const std::optional<std::string> content = created ? std::string() : m_files.read(m_dayFile);
    if (!content) return false;
    std::vector<runtime::Text> waiting(m_rows.begin() + std::ptrdiff_t(m_published), m_rows.end());
    if (!appendToLog(EncodeLogBase(storedName(m_dayFile), *content) + logRows(waiting))) return false;
    m_base = normalisedBase(*content);
    m_rows = std::move(waiting);
    m_published = 0;
    m_needsPublish = true;
    return true;
}

RecordingStep DayFileSession::publish() {
    Published result = Published::kFailed;
    const std::optional<FileStamp> version =
        publishView(m_files, m_dayFile, dayFileView(m_base, m_rows), result);
    if (!version) return result == Published::kHeld ? RecordingStep::OpenFailed : RecordingStep::WriteFailed;
    m_version = version;
    m_published = m_rows.size();
    m_needsPublish = false;
    return RecordingStep::RowInserted;
}

RecordingStep DayFileSession::record(const std::vector<runtime::Text>& rows) {
    std::vector<runtime::Text> fresh(rows);
    RecordingStep step = RecordingStep::RowInserted;
    if (!m_open) step = open();
    if (step != RecordingStep::RowInserted && step != RecordingStep::FileCreated) return step;
    if (m_files.isReadOnly(m_dayFile)) return RecordingStep::ReadOnly;
    bool created = false;
    if (!rebaseIfChanged(created)) return RecordingStep::WriteFailed;
    // A day's file is created on one row's tick and that row is not written.
    if (created) step = RecordingStep::FileCreated;
    if (step == RecordingStep::FileCreated && !fresh.empty()) fresh.erase(fresh.begin());
    if (!fresh.empty()) {
        if (!appendToLog(logRows(fresh))) return RecordingStep::WriteFailed;
        m_rows.insert(m_rows.end(), fresh.begin(), fresh.end());
    }
    // The new version is published before the log is synced: a sync may wait
    // seconds on a slow disk, and the rows belong in the file at once. This is
    // safe because after a power cut the file is made again from the log, and
    // the rows count as recorded only once the sync has returned.
    RecordingStep published = RecordingStep::RowInserted;
    if (m_needsPublish || m_published != m_rows.size()) published = publish();
    if (!m_files.sync(m_log)) return RecordingStep::WriteFailed;
    if (published != RecordingStep::RowInserted) {
        return step == RecordingStep::FileCreated ? RecordingStep::CreateFailed : published;
    }
    return step;
}

bool DayFileSession::finish() {
    if (!m_open) return true;
    const bool whole = (!m_needsPublish && m_published == m_rows.size()) || publish() == RecordingStep::RowInserted;
    const bool folded = whole && retireLog(m_files, m_dayFile, m_log);
    m_files.unlock(m_log);
    m_open = false;
    m_rows.clear();
    m_published = 0;
    return folded;
}

}  // namespace storage
