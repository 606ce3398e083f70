#include "storage/log_fold.h"

#include <string>

#include "storage/day_file_view.h"
#include "storage/log_format.h"

namespace storage {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kLogSuffix = ".kzrt-log";
constexpr std::string_view kDraftSuffix = ".kzrt-new";
constexpr std::string_view kIgnoredSuffix = ".ignored";

// Day's file of a log name: ".KZRT2015125.csv.kzrt-log" belongs to KZRT2015125.csv.
std::optional<std::string> dayNameOfLog(const fs::path& log) {
    const std::string name = storedName(log);
    if (name.size() <= 1 + kLogSuffix.size() || name[0] != '.' || !name.ends_with(kLogSuffix)) return std::nullopt;
    return name.substr(1, name.size() - 1 - kLogSuffix.size());
}

}  // namespace

// The day's file is synced before its log goes, so that the log is never
// missing while the file on the disk lacks rows.
bool retireLog(FileSystem& files, const fs::path& dayFile, const fs::path& log) {
    const fs::path directory = directoryOf(dayFile);
    return files.sync(dayFile) && files.syncDirectory(directory) && files.remove(log) &&
           files.syncDirectory(directory);
}

// Publishes `content` as the day's file through its draft; the draft's stamp,
// which the day's file now carries, on success.
std::optional<FileStamp> publishView(FileSystem& files, const fs::path& dayFile,
                                              std::string_view content, Published& result) {
    const fs::path draft = recordingDraftPath(dayFile);
    std::optional<FileStamp> stamp;
    result = Published::kFailed;
    if (files.write(draft, content) && (stamp = files.stamp(draft))) result = files.publish(draft, dayFile);
    if (result != Published::kDone) {
        files.remove(draft);
        return std::nullopt;
    }
    // Written in place (Windows, a holder without delete sharing): the day's
    // file is still the old one, with the new content.
    const std::optional<FileStamp> now = files.stamp(dayFile);
    return now && !SameFile(*now, *stamp) ? now : stamp;
}

void foldLeftLog(FileSystem& files, const fs::path& log, Recovery& recovery) {
    const std::optional<std::string> dayName = dayNameOfLog(log);
    const std::optional<std::string> bytes = files.read(log);
    if (!dayName || !bytes) {
        recovery.failed.push_back(log);
        return;
    }
    const std::optional<LogContent> content = DecodeLog(*bytes);
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
    Published result = Published::kDone;
    const bool whole = files.read(dayFile) == view ||
                       (!files.isReadOnly(dayFile) && publishView(files, dayFile, view, result));
    if (whole && retireLog(files, dayFile, log)) {
        recovery.folded.push_back(dayFile);
    } else {
        recovery.failed.push_back(log);
    }
    files.unlock(log);
}

Recovery recoverDirectory(FileSystem& files, const fs::path& directory) {
    Recovery recovery;
    bool removedDraft = false;
    const std::vector<fs::path> names = files.list(directory);
    for (const fs::path& name : names) {
        const std::string text = storedName(name);
        if (text.starts_with('.') && text.ends_with(kLogSuffix)) foldLeftLog(files, directory / name, recovery);
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

}  // namespace storage
