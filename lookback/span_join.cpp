#include "lookback/span_join.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <system_error>

#include "lookback/day_file_io.h"
#include "lookback/day_file_list.h"
#include "lookback/utf8_path.h"
#include "meter/recording_row.h"
#include "runtime/civil_days.h"
#include "runtime/local_time.h"

namespace lookback {
namespace fs = std::filesystem;
namespace {

// A local date as days since 1970-01-01.
using Day = std::int64_t;

Day dayOf(const DayRow& row) { return runtime::ToWallSeconds(row.year, row.month, row.day, 0, 0, 0) / 86'400; }

Day localDay(std::int64_t utc) { return runtime::FloorDiv(utc + runtime::LocalZone().offsetAt(utc), 86'400); }

std::string dateText(Day day) { return runtime::IsoText({day * 86'400, 0}).substr(0, 10); }

// Runs of days as "2026-12-01" or "2026-12-01 to 2026-12-05".
std::string daysText(Day first, Day last) {
    return first == last ? dateText(first) : dateText(first) + " to " + dateText(last);
}

std::string fileNameOf(Day day) {
    const runtime::CivilDate date = runtime::CivilFromDays(day);
    return meter::recordingFileName(runtime::MakeDateTime(int(date.year), date.month, date.day));
}

// One day's rows of one file, in the file's order.
struct DayChunk {
    Day day;
    std::string path;
    std::vector<DayRow> rows;
};

void splitByDay(std::vector<DayRow>& rows, const std::string& path, std::vector<DayChunk>& chunks) {
    for (DayRow& row : rows) {
        const Day day = dayOf(row);
        if (chunks.empty() || chunks.back().day != day || chunks.back().path != path) {
            chunks.push_back({day, path, {}});
        }
        chunks.back().rows.push_back(std::move(row));
    }
}

SpanRows failed(SpanFailure failure, std::string error) {
    SpanRows result;
    result.failure = failure;
    result.error = std::move(error);
    return result;
}

// Loads a file for the span; false, with `result` failed, when it cannot be.
bool load(const std::string& path, std::vector<DayRow>& rows, SpanRows& result) {
    LoadedDayFile loaded = loadDayFile(path);
    if (!loaded.error.empty()) {
        result = failed(SpanFailure::Unreadable, path + ": " + loaded.error);
        return false;
    }
    if (loaded.file.skipped > 0) {
        result.notes.push_back(path + ": skipped " + std::to_string(loaded.file.skipped) + " torn or damaged row(s)");
    }
    rows = std::move(loaded.file.rows);
    return true;
}

// Chunks in day order, placed in time as one run of rows, cut to the span
// and joined. Each chunk is cut where it lies before the join, so that a
// span across midnight moves only the rows it keeps.
void finish(std::vector<DayChunk>& chunks, const TimeSpan& span, std::int64_t nowUtc, SpanRows& result) {
    std::stable_sort(chunks.begin(), chunks.end(), [](const DayChunk& a, const DayChunk& b) { return a.day < b.day; });
    runtime::LocalZone zone;
    std::int64_t bound = nowUtc;
    for (auto chunk = chunks.rbegin(); chunk != chunks.rend(); ++chunk) {
        bound = placeRowsInTime(chunk->rows, bound, zone);
    }
    std::vector<DayRow> rows;
    for (DayChunk& chunk : chunks) {
        std::erase_if(chunk.rows, [&](const DayRow& row) { return !span.contains(row.time.utcSeconds); });
        if (rows.empty()) {
            rows = std::move(chunk.rows);
        } else {
            std::move(chunk.rows.begin(), chunk.rows.end(), std::back_inserter(rows));
        }
        chunk.rows = {};
    }
    result.rows = std::move(rows);
}

// A folder without day files: perhaps the folder of named meters' folders.
SpanRows noDayFiles(const std::string& meterFolder) {
    std::string error = meterFolder + ": no day files";
    std::string names;
    for (const MeterDayFiles& meter : listMeters(meterFolder)) names += (names.empty() ? "" : ", ") + meter.meter;
    if (!names.empty()) error += "; its meters' folders are " + names + " (--dir " + meterFolder + "/NAME)";
    return failed(SpanFailure::NotJoinable, error);
}

}  // namespace

SpanRows readFolderSpan(const std::string& meterFolder, const TimeSpan& span, std::int64_t nowUtc) {
    std::error_code error;
    if (!fs::is_directory(utf8Path(meterFolder), error)) {
        return failed(SpanFailure::Unreadable, meterFolder + ": no such folder");
    }
    Day first = 0;
    if (span.fromUtc != TimeSpan{}.fromUtc) {
        first = localDay(span.fromUtc);
    } else {
        // No start given: the day of the newest row in the folder.
        const std::vector<DayFileInfo> files = listDayFiles(meterFolder);
        const auto newest = std::max_element(files.begin(), files.end(),
                                             [](const DayFileInfo& a, const DayFileInfo& b) { return a.date < b.date; });
        int year = 0, month = 0, date = 0;
        if (newest == files.end() || std::sscanf(newest->date.c_str(), "%d-%d-%d", &year, &month, &date) != 3) {
            return noDayFiles(meterFolder);
        }
        first = runtime::ToWallSeconds(year, month, date, 0, 0, 0) / 86'400;
    }
    const Day last = localDay(std::min(span.toUtc, nowUtc));
    if (last - first >= kLongestSpanDays) {
        return failed(SpanFailure::NotJoinable, "a span of more than ten years is not read");
    }
    SpanRows result;
    std::map<std::string, std::vector<DayRow>> read;  // a file name serves two dates (KZRT2026111.csv)
    std::vector<DayChunk> chunks;
    Day missingFrom = 0;
    bool missing = false;
    const auto sayMissing = [&](Day upTo) {
        if (missing) result.notes.push_back("no day file for " + daysText(missingFrom, upTo) + " in " + meterFolder);
        missing = false;
    };
    for (Day day = first; day <= last; ++day) {
        const std::string name = fileNameOf(day);
        const fs::path path = utf8Path(meterFolder) / utf8Path(name);
        auto found = read.find(name);
        if (found == read.end()) {
            std::vector<DayRow> rows;
            if (fs::is_regular_file(path, error) && !load(utf8Text(path), rows, result)) return result;
            found = read.emplace(name, std::move(rows)).first;
        }
        // A file holds its own day's rows (moved out whole), or those of the
        // two dates that share its name.
        std::vector<DayRow> ofDay;
        std::vector<DayRow>& rows = found->second;
        if (std::all_of(rows.begin(), rows.end(), [&](const DayRow& row) { return dayOf(row) == day; })) {
            ofDay = std::move(rows);
            rows.clear();
        } else {
            for (const DayRow& row : rows) {
                if (dayOf(row) == day) ofDay.push_back(row);
            }
        }
        if (ofDay.empty()) {
            if (!missing) missingFrom = day;
            missing = true;
            continue;
        }
        sayMissing(day - 1);
        chunks.push_back({day, utf8Text(path), std::move(ofDay)});
    }
    if (chunks.empty() && listDayFiles(meterFolder).empty()) return noDayFiles(meterFolder);
    sayMissing(last);
    finish(chunks, span, nowUtc, result);
    return result;
}

SpanRows joinDayFiles(const std::vector<std::string>& paths, const TimeSpan& span, std::int64_t nowUtc) {
    SpanRows result;
    std::vector<DayChunk> chunks;
    fs::path firstFolder;
    std::vector<fs::path> seen;
    for (const std::string& path : paths) {
        std::error_code error;
        const fs::path full = fs::weakly_canonical(fs::absolute(utf8Path(path), error), error);
        if (std::find(seen.begin(), seen.end(), full) != seen.end()) continue;  // named twice: read once
        seen.push_back(full);
        const fs::path folder = full.parent_path();
        if (seen.size() == 1) {
            firstFolder = folder;
        } else if (folder != firstFolder) {
            return failed(SpanFailure::NotJoinable,
                          paths.front() + " and " + path +
                              " are in different folders, so they are two meters' day files: not joined");
        }
        std::vector<DayRow> rows;
        if (!load(path, rows, result)) return result;
        splitByDay(rows, path, chunks);
    }
    // One day's rows in two files: two meters' files, or a copy of one.
    std::map<Day, const DayChunk*> byDay;
    for (const DayChunk& chunk : chunks) {
        const auto [at, added] = byDay.emplace(chunk.day, &chunk);
        if (!added && at->second->path != chunk.path) {
            return failed(SpanFailure::NotJoinable, at->second->path + " and " + chunk.path + " both hold rows of " +
                                                        dateText(chunk.day) +
                                                        ": two meters' day files, or a copy: not joined");
        }
    }
    // Days between the files' days, within the span, without a file.
    const bool bounded = span.fromUtc != TimeSpan{}.fromUtc;
    Day previous = 0;
    bool any = false;
    for (const auto& [day, chunk] : byDay) {
        if (any && day > previous + 1) {
            const Day from = bounded ? std::max(previous + 1, localDay(span.fromUtc)) : previous + 1;
            const Day to = std::min(day - 1, localDay(std::min(span.toUtc, nowUtc)));
            if (from <= to) result.notes.push_back("no day file given for " + daysText(from, to));
        }
        previous = day;
        any = true;
    }
    finish(chunks, span, nowUtc, result);
    return result;
}

}  // namespace lookback
