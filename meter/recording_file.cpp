#include "meter/recording_file.h"

#include <string>

#include "meter/recording_row.h"
#include "runtime/row_log.h"

namespace meter {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kLogSuffix = ".kzrt-log";
constexpr std::string_view kDraftSuffix = ".kzrt-new";
constexpr std::string_view kIgnoredSuffix = ".ignored";

// A file name as the log stores it: UTF-8 on every system.
std::string storedName(const fs::path& path) {
    const std::u8string name = path.filename().u8string();
    return {name.begin(), name.end()};
}

fs::path sideFile(const fs::path& dayFile, std::string_view suffix) {
    fs::path side = dayFile.parent_path() / ("." + storedName(dayFile) + std::string(suffix));
    return side;
}

fs::path directoryOf(const fs::path& path) { return path.has_parent_path() ? path.parent_path() : fs::path("."); }

runtime::Text normalisedBase(std::string_view base) {
    runtime::Text whole(base);
    if (whole.size() < kRecordingHeaderBytes) whole += recordingHeader().substr(whole.size()) + "\r\n";
    return whole;
}

std::string logRows(const std::vector<runtime::Text>& rows) {
    std::string records;
    for (const runtime::Text& row : rows) records += runtime::EncodeLogRow(row);
    return records;
}

// The day's file is synced before its log goes, so that the log is never
// missing while the file on the disk lacks rows.
bool foldLog(runtime::FileSystem& files, const fs::path& dayFile, const fs::path& log) {
    const fs::path directory = directoryOf(dayFile);
    return files.sync(dayFile) && files.syncDirectory(directory) && files.remove(log) &&
           files.syncDirectory(directory);
}

// Publishes the day's draft as the day's file; the draft's stamp, which the
// day's file now carries, on success.
std::optional<runtime::FileStamp> publishDraft(runtime::FileSystem& files, const fs::path& dayFile,
                                               runtime::Published& result) {
    const fs::path draft = recordingDraftPath(dayFile);
    const std::optional<runtime::FileStamp> stamp = files.stamp(draft);
    result = stamp ? files.publish(draft, dayFile) : runtime::Published::kFailed;
    if (result != runtime::Published::kDone) {
        files.remove(draft);
        return std::nullopt;
    }
    // Written in place (Windows, a holder without delete sharing): the day's
    // file is still the old one, with the new content.
    const std::optional<runtime::FileStamp> now = files.stamp(dayFile);
    return now && !runtime::SameFile(*now, *stamp) ? now : stamp;
}

// Publishes `content` as the day's file through its draft.
std::optional<runtime::FileStamp> publishView(runtime::FileSystem& files, const fs::path& dayFile,
                                              std::string_view content, runtime::Published& result) {
    result = runtime::Published::kFailed;
    if (!files.write(recordingDraftPath(dayFile), content)) {
        files.remove(recordingDraftPath(dayFile));
        return std::nullopt;
    }
    return publishDraft(files, dayFile, result);
}

// Day's file of a log name: ".KZRT2015125.csv.kzrt-log" belongs to KZRT2015125.csv.
std::optional<std::string> dayNameOfLog(const fs::path& log) {
    const std::string name = storedName(log);
    if (name.size() <= 1 + kLogSuffix.size() || name[0] != '.' || !name.ends_with(kLogSuffix)) return std::nullopt;
    return name.substr(1, name.size() - 1 - kLogSuffix.size());
}

void recoverLog(runtime::FileSystem& files, const fs::path& log, Recovery& recovery) {
    const std::optional<std::string> dayName = dayNameOfLog(log);
    const std::optional<std::string> bytes = files.read(log);
    if (!dayName || !bytes) {
        recovery.failed.push_back(log);
        return;
    }
    const std::optional<runtime::LogContent> content = runtime::DecodeLog(*bytes);
    if (!content) {
        // Nothing is published before the log's base is synced: a log without
        // a whole base was cut short before anything relied on it.
        if (files.remove(log)) recovery.discarded.push_back(log);
        return;
    }
    if (content->fileName != *dayName) {
        // Never applied: another file's log would put its rows into this one.
        fs::path keptAs = log;
        keptAs += std::string(kIgnoredSuffix);
        files.rename(log, keptAs);
        recovery.ignored.push_back({log, keptAs});
        return;
    }
    const fs::path dayFile = log.parent_path() / fs::path(std::u8string(dayName->begin(), dayName->end()));
    if (!files.lock(log)) {  // a running copy records into it
        recovery.failed.push_back(log);
        return;
    }
    const runtime::Text view = dayFileView(content->base, content->rows);
    runtime::Published result = runtime::Published::kDone;
    const bool whole = files.read(dayFile) == view ||
                       (!files.isReadOnly(dayFile) && publishView(files, dayFile, view, result));
    if (whole && foldLog(files, dayFile, log)) {
        recovery.folded.push_back(dayFile);
    } else {
        recovery.failed.push_back(log);
    }
    files.unlock(log);
}

}  // namespace

runtime::Text dayFileView(std::string_view base, const std::vector<runtime::Text>& rows) {
    const runtime::Text whole = normalisedBase(base);
    std::size_t size = whole.size();
    for (const runtime::Text& row : rows) size += row.size();
    runtime::Text view;
    view.reserve(size);
    view.append(whole, 0, kRecordingHeaderBytes);
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) view += *row;
    view.append(whole, kRecordingHeaderBytes);
    return view;
}

fs::path recordingLogPath(const fs::path& dayFile) { return sideFile(dayFile, kLogSuffix); }
fs::path recordingDraftPath(const fs::path& dayFile) { return sideFile(dayFile, kDraftSuffix); }

Recovery recoverDirectory(runtime::FileSystem& files, const fs::path& directory) {
    Recovery recovery;
    bool removedDraft = false;
    const std::vector<fs::path> names = files.list(directory);
    for (const fs::path& name : names) {
        const std::string text = storedName(name);
        if (text.starts_with('.') && text.ends_with(kLogSuffix)) recoverLog(files, directory / name, recovery);
    }
    // Drafts after the logs: a draft whose log is gone was published or
    // abandoned; one with a log belongs to that log's running owner.
    for (const fs::path& name : names) {
        const std::string text = storedName(name);
        if (!text.starts_with('.') || !text.ends_with(kDraftSuffix)) continue;
        const std::string day = text.substr(1, text.size() - 1 - kDraftSuffix.size());
        const fs::path dayFile = directory / fs::path(std::u8string(day.begin(), day.end()));
        if (!files.stamp(recordingLogPath(dayFile))) removedDraft = files.remove(directory / name) || removedDraft;
    }
    if (removedDraft || !recovery.discarded.empty()) files.syncDirectory(directory);
    return recovery;
}

DayFileSession::DayFileSession(runtime::FileSystem& files, fs::path dayFile)
    : m_files(files), m_dayFile(std::move(dayFile)), m_log(recordingLogPath(m_dayFile)) {}

// Starts the log from the day's file as it is now, after folding in a log
// that a crash left for it. The log and its name are on the disk before any
// version of the day's file is published that the disk may not hold.
RecordingStep DayFileSession::open() {
    if (m_files.isReadOnly(m_dayFile)) return RecordingStep::ReadOnly;
    if (m_files.stamp(m_log)) {
        Recovery recovery;
        recoverLog(m_files, m_log, recovery);
        m_ignored.insert(m_ignored.end(), recovery.ignored.begin(), recovery.ignored.end());
        if (!recovery.failed.empty()) return RecordingStep::OpenFailed;
    }
    const bool created = !m_files.stamp(m_dayFile);
    const std::optional<std::string> content = created ? std::string() : m_files.read(m_dayFile);
    if (!content) {
        return m_files.unfinishedRewrite(m_dayFile) ? RecordingStep::RewriteUnfinished : RecordingStep::OpenFailed;
    }
    const std::string base = runtime::EncodeLogBase(storedName(m_dayFile), *content);
    if (!m_files.write(m_log, base) || !m_files.sync(m_log) || !m_files.syncDirectory(directoryOf(m_dayFile)) ||
        !m_files.lock(m_log)) {
        m_files.remove(m_log);
        return created ? RecordingStep::CreateFailed : RecordingStep::WriteFailed;
    }
    m_open = true;
    m_waiting.clear();
    m_logBytes = std::int64_t(base.size());
    takeBase(*content, created ? std::nullopt : m_files.stamp(m_dayFile));
    return created ? RecordingStep::FileCreated : RecordingStep::RowInserted;
}

// The content of the day's file as it is now (version `stamp`, none when the
// file is new) becomes what the next version is made from. A file that holds
// at least a whole header line is used where it lies; a shorter one, or a new
// file, is kept in memory until it is published.
void DayFileSession::takeBase(std::string_view content, std::optional<runtime::FileStamp> stamp) {
    m_version = stamp;
    if (stamp && content.size() >= kRecordingHeaderBytes) {
        m_base.reset();
        m_head = runtime::Text(content.substr(0, kRecordingHeaderBytes));
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

// Another program replaced, truncated, extended or deleted the day's file
// since our last version: its content becomes the new base, and only the rows
// that no published version holds yet go on top of it.
bool DayFileSession::rebaseIfChanged(bool& created) {
    const std::optional<runtime::FileStamp> now = m_files.stamp(m_dayFile);
    if (m_base || now == m_version) return true;
    created = !now;
    const std::optional<std::string> content = created ? std::string() : m_files.read(m_dayFile);
    if (!content) return false;
    if (!appendToLog(runtime::EncodeLogBase(storedName(m_dayFile), *content) + logRows(m_waiting))) return false;
    takeBase(*content, now);
    return true;
}

// The next version: the first line, the waiting rows newest first, then the
// rest of the base, from memory or copied from the version we published last.
std::optional<runtime::FileStamp> DayFileSession::publishNext(runtime::Published& result, bool& changed) {
    changed = false;
    if (m_base) return publishView(m_files, m_dayFile, dayFileView(*m_base, m_waiting), result);
    result = runtime::Published::kFailed;
    runtime::Text top = m_head;
    for (auto row = m_waiting.rbegin(); row != m_waiting.rend(); ++row) top += *row;
    const fs::path draft = recordingDraftPath(m_dayFile);
    runtime::Copied copied = runtime::Copied::kFailed;
    if (m_version && m_files.write(draft, top)) {
        copied = m_files.appendTail(m_dayFile, *m_version, std::int64_t(kRecordingHeaderBytes), draft);
    }
    if (copied == runtime::Copied::kDone) return publishDraft(m_files, m_dayFile, result);
    m_files.remove(draft);
    changed = copied == runtime::Copied::kChanged;
    return std::nullopt;
}

RecordingStep DayFileSession::publish() {
    runtime::Published result = runtime::Published::kFailed;
    bool changed = false;
    std::optional<runtime::FileStamp> version = publishNext(result, changed);
    // Another program wrote the file between our look and the copy: its
    // version becomes the base, as at the start of a tick.
    bool created = false;
    if (changed && rebaseIfChanged(created)) version = publishNext(result, changed);
    if (!version) return result == runtime::Published::kHeld ? RecordingStep::OpenFailed : RecordingStep::WriteFailed;
    m_version = version;
    if (m_base) m_head = m_base->substr(0, kRecordingHeaderBytes);
    m_base.reset();
    m_waiting.clear();
    // A long wait for a held file may have gathered many rows.
    if (m_waiting.capacity() > 64) m_waiting.shrink_to_fit();
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
        m_waiting.insert(m_waiting.end(), fresh.begin(), fresh.end());
    }
    // The new version is published before the log is synced: a sync may wait
    // seconds on a slow disk, and the rows belong in the file at once. This is
    // safe because after a power cut the file is made again from the log, and
    // the rows count as recorded only once the sync has returned.
    RecordingStep published = RecordingStep::RowInserted;
    if (m_base || !m_waiting.empty()) published = publish();
    if (!m_files.sync(m_log)) return RecordingStep::WriteFailed;
    if (published != RecordingStep::RowInserted) {
        return step == RecordingStep::FileCreated ? RecordingStep::CreateFailed : published;
    }
    return step;
}

bool DayFileSession::finish() {
    if (!m_open) return true;
    const bool whole = (!m_base && m_waiting.empty()) || publish() == RecordingStep::RowInserted;
    const bool folded = whole && foldLog(m_files, m_dayFile, m_log);
    m_files.unlock(m_log);
    m_open = false;
    m_waiting = {};
    m_base.reset();
    return folded;
}

}  // namespace meter
