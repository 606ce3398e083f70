#include "storage/log_fold.h"

#include <string>

#include "storage/day_file_view.h"
#include "storage/fold_plan.h"
#include "storage/log_format.h"

namespace storage {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kForeignSuffix = ".ignored";
constexpr std::string_view kDamagedSuffix = ".damaged-log";
constexpr std::string_view kSetAsideSuffix = ".rows-from-log.csv";

fs::path nativeName(const std::string& stored) { return fs::path(std::u8string(stored.begin(), stored.end())); }

// "<name><suffix>", or "<name>-2<suffix>" ... when that is taken: a file set
// aside never replaces one set aside before.
fs::path freeName(FileSystem& files, const fs::path& directory, const std::string& name, std::string_view suffix) {
    fs::path candidate = directory / nativeName(name + std::string(suffix));
    for (int n = 2; files.stamp(candidate) && n < 1000; ++n) {
        candidate = directory / nativeName(name + "-" + std::to_string(n) + std::string(suffix));
    }
    return candidate;
}

bool writeDurably(FileSystem& files, const fs::path& path, std::string_view content) {
    return files.write(path, content) && files.sync(path) && files.syncDirectory(directoryOf(path));
}

// Makes the day's file hold what the log holds, by the fold's rule. False
// when it cannot be done now (a read-only file, a full disk, a holder).
bool applyLog(FileSystem& files, const fs::path& dayFile, const LogContent& content, Recovery& recovery) {
    const runtime::Text view = dayFileView(content.base, content.rows);
    const std::optional<std::string> now = files.stamp(dayFile) ? files.read(dayFile) : std::string();
    if (!now) return false;
    const FoldPlan plan = planFold(*now, view);
    if (plan.kind == FoldPlan::Kind::kNothing) return true;
    if (files.isReadOnly(dayFile)) return false;
    Published result = Published::kDone;
    if (plan.kind == FoldPlan::Kind::kSetAside) {
        const fs::path aside = freeName(files, directoryOf(dayFile), storedName(dayFile), kSetAsideSuffix);
        if (!writeDurably(files, aside, plan.content)) return false;
        recovery.notes.push_back({FoldNote::Kind::kRowsSetAside, dayFile, {}, aside, plan.rows});
        return true;
    }
    const std::string_view next = plan.content.empty() ? std::string_view(view) : std::string_view(plan.content);
    if (!publishView(files, dayFile, next, result)) return false;
    if (plan.kind == FoldPlan::Kind::kMerge) recovery.notes.push_back({FoldNote::Kind::kRowsMerged, dayFile, {}, {}, plan.rows});
    return true;
}

}  // namespace

bool retireLog(FileSystem& files, const fs::path& dayFile, const fs::path& log) {
    const fs::path directory = directoryOf(dayFile);
    return files.sync(dayFile) && files.syncDirectory(directory) && files.remove(log) &&
           files.syncDirectory(directory);
}

std::optional<FileStamp> publishDraft(FileSystem& files, const fs::path& dayFile, Published& result) {
    const fs::path draft = recordingDraftPath(dayFile);
    const std::optional<FileStamp> stamp = files.stamp(draft);
    result = stamp ? files.publish(draft, dayFile) : Published::kFailed;
    if (result != Published::kDone) {
        files.remove(draft);
        return std::nullopt;
    }
    // Written in place (Windows, a holder without delete sharing): the day's
    // file is still the old one, with the new content.
    const std::optional<FileStamp> now = files.stamp(dayFile);
    return now && !SameFile(*now, *stamp) ? now : stamp;
}

std::optional<FileStamp> publishView(FileSystem& files, const fs::path& dayFile, std::string_view content,
                                     Published& result) {
    result = Published::kFailed;
    if (!files.write(recordingDraftPath(dayFile), content)) {
        files.remove(recordingDraftPath(dayFile));
        return std::nullopt;
    }
    return publishDraft(files, dayFile, result);
}

void foldLeftLog(FileSystem& files, const fs::path& log, Recovery& recovery) {
    const std::optional<std::string> dayName = dayNameOfLog(log);
    const std::optional<std::string> bytes = files.read(log);
    if (!dayName || !bytes) {
        recovery.failed.push_back(log);
        return;
    }
    const fs::path dayFile = log.parent_path() / nativeName(*dayName);
    const std::optional<LogContent> content = DecodeLog(*bytes);
    if (!content && CutShortBeforeFirstRecord(*bytes)) {
        // Nothing is published before the log's base is synced: a log cut
        // short in its first record was never relied on.
        if (files.remove(log)) recovery.notes.push_back({FoldNote::Kind::kEmptyLogRemoved, dayFile, log, {}, 0});
        return;
    }
    if (content && content->hasBase && content->fileName != *dayName) {
        // Never applied: another file's log would put its rows into this one.
        fs::path keptAs = log;
        keptAs += std::string(kForeignSuffix);
        if (files.rename(log, keptAs)) recovery.notes.push_back({FoldNote::Kind::kForeignLog, dayFile, log, keptAs, 0});
        return;
    }
    if (content && !applyLog(files, dayFile, *content, recovery)) {
        recovery.failed.push_back(log);
        return;
    }
    if (!content || content->damaged || !content->hasBase) {
        // Kept for a closer look: the day's file has every row that held.
        const fs::path keptAs = freeName(files, log.parent_path(), *dayName, kDamagedSuffix);
        if (!files.sync(dayFile) && files.stamp(dayFile)) {
            recovery.failed.push_back(log);
            return;
        }
        if (!files.rename(log, keptAs) || !files.syncDirectory(directoryOf(dayFile))) {
            recovery.failed.push_back(log);
            return;
        }
        recovery.notes.push_back({FoldNote::Kind::kDamagedLog, dayFile, log, keptAs, content ? content->rows.size() : 0});
        recovery.folded.push_back(dayFile);
        return;
    }
    if (retireLog(files, dayFile, log)) {
        recovery.folded.push_back(dayFile);
    } else {
        recovery.failed.push_back(log);
    }
}

Recovery recoverDirectory(FileSystem& files, const fs::path& directory) {
    Recovery recovery;
    bool removedDraft = false;
    const std::vector<fs::path> names = files.list(directory);
    for (const fs::path& name : names) {
        const std::optional<std::string> dayName = dayNameOfLog(name);
        if (!dayName) continue;
        const fs::path dayFile = directory / nativeName(*dayName);
        const Lock lock = files.lock(lockPath(dayFile));
        if (lock == Lock::kHeld) {
            recovery.inUse.push_back(dayFile);
            continue;
        }
        if (lock == Lock::kFailed) {
            recovery.failed.push_back(directory / name);
            continue;
        }
        foldLeftLog(files, directory / name, recovery);
        files.unlock(lockPath(dayFile));
    }
    // A draft whose log is gone was published or abandoned; one whose day's
    // file is locked belongs to a running program.
    for (const fs::path& name : names) {
        const std::optional<std::string> dayName = dayNameOfDraft(name);
        if (!dayName) continue;
        const fs::path dayFile = directory / nativeName(*dayName);
        if (files.stamp(recordingLogPath(dayFile)) || files.lock(lockPath(dayFile)) != Lock::kTaken) continue;
        removedDraft = files.remove(directory / name) || removedDraft;
        files.unlock(lockPath(dayFile));
    }
    bool removedLog = false;
    for (const FoldNote& note : recovery.notes) removedLog = removedLog || note.kind == FoldNote::Kind::kEmptyLogRemoved;
    if (removedDraft || removedLog) files.syncDirectory(directory);
    return recovery;
}

}  // namespace storage
