// Power cuts at every change a recording makes to the disk: two days' files,
// each a session of ticks ended by its fold, the first day's file holding rows
// from before. After each cut, the next start (the recovery of the folder)
// must find each day's file whole: the header and whole rows, newest first,
// every row whose tick had finished before the cut, and nothing else.
#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "storage/day_file_session.h"
#include "meter/recording_row.h"
#include "tests/storage/power_cut_file_system.h"
#include "runtime/conversions.h"

namespace storage {
namespace {

using testing::CutKind;
using testing::PowerCut;
using testing::PowerCutFileSystem;

const std::filesystem::path kDirectory = "/day-files";
const std::filesystem::path kFirstDay = kDirectory / "KZRT2015125.csv";
const std::filesystem::path kSecondDay = kDirectory / "KZRT2015126.csv";

// Row n carries n as its voltage, so every row can be told apart.
runtime::Text row(int n) {
    return meter::recordingRowText(runtime::MakeDateTime(2015, 12, 5, 14, 3, 7),
                            {runtime::ToText(n), "1.234", "15.234", "10.004", "0.1234", "0.0456", "+25.3"});
}

std::vector<runtime::Text> rows(int first, int last) {
    std::vector<runtime::Text> texts;
    for (int n = first; n <= last; ++n) texts.push_back(row(n));
    return texts;
}

// How far a run got: rows whose tick returned (safe), and rows handed over.
struct Progress {
    int finished[2] = {0, 0};
    int started[2] = {0, 0};
};

struct Recording {
    runtime::Text firstBase;  // the first day's file before recording starts, synced
    int ticks;
};

void record(PowerCutFileSystem& files, const Recording& run, Progress& progress) {
    const std::filesystem::path days[] = {kFirstDay, kSecondDay};
    for (int day = 0; day < 2; ++day) {
        storage::DayFileSession session(files, days[day]);
        for (int tick = 1; tick <= run.ticks; ++tick) {
            progress.started[day] = tick;
            session.record({row(day * 10000 + tick)});
            progress.finished[day] = tick;
        }
        session.finish();
    }
}

// The day's file must be one that the rows of ticks 1..m make, for a tick m
// between the last finished and the last started one.
void expectWhole(const std::map<std::string, std::string>& files, const Recording& run, const Progress& progress,
                 int day, const std::string& where, long& lost) {
    const std::string name = (day == 0 ? kFirstDay : kSecondDay).generic_string();
    const auto found = files.find(name);
    // The second day's file is created by its first tick, whose row it drops.
    const int firstRow = day == 0 ? 1 : 2;
    if (found == files.end()) {
        ASSERT_EQ(progress.finished[day], 0) << where << ": " << name << " is gone";
        lost += progress.started[day];
        return;
    }
    const runtime::Text base = day == 0 ? run.firstBase : runtime::Text();
    for (int m = progress.finished[day]; m <= progress.started[day]; ++m) {
        if (found->second == storage::dayFileView(base, rows(day * 10000 + firstRow, day * 10000 + m))) {
            lost += progress.started[day] - m;
            return;
        }
    }
    FAIL() << where << ": " << name << " is not the header and whole rows of ticks up to "
           << progress.finished[day] << ".." << progress.started[day] << "\n" << found->second;
}

struct CutCount {
    long cuts = 0;
    long rowsLost = 0;  // the most rows any one cut lost: only a tick under way can lose its row
};

void cutAndRecover(const Recording& run, long at, CutKind kind, std::mt19937& random, CutCount& count) {
    PowerCutFileSystem files;
    files.write(kFirstDay, run.firstBase);
    files.sync(kFirstDay);
    files.syncDirectory(kDirectory);
    files.cutAt(files.changes() + at);
    Progress progress;
    try {
        record(files, run, progress);
    } catch (const PowerCut&) {
    }
    PowerCutFileSystem disk = files.afterCut(kind, random);
    const std::string where = "cut at change " + std::to_string(at) + ", kind " + std::to_string(int(kind));
    const storage::Recovery recovery = storage::recoverDirectory(disk, kDirectory);
    ASSERT_TRUE(recovery.failed.empty()) << where;
    std::size_t keptAside = 0;
    for (const storage::FoldNote& note : recovery.notes) {
        if (note.kind == storage::FoldNote::Kind::kEmptyLogRemoved) {
            // Only a log cut short before its base was synced goes without being folded in.
            const int day = note.log == storage::recordingLogPath(kFirstDay) ? 0 : 1;
            ASSERT_EQ(progress.finished[day], 0) << where << ": the log of a day with rows was dropped";
        } else {
            // A tear that kept a later sector of the last write and lost an
            // earlier one looks like damage: the log is kept aside, and the
            // day's file still gets every row before the tear.
            ASSERT_EQ(note.kind, storage::FoldNote::Kind::kDamagedLog) << where << ": an unexpected fold";
            ASSERT_EQ(kind, CutKind::kTearUnsynced) << where << ": a log damaged without a tear";
            ++keptAside;
        }
    }
    // What the next start leaves is on the disk: another cut changes nothing.
    std::mt19937 again(1);
    const std::map<std::string, std::string> recovered = disk.files();
    ASSERT_EQ(disk.afterCut(CutKind::kDropUnsynced, again).files(), recovered) << where;
    ASSERT_LE(recovered.size(), 2u + keptAside) << where << ": a side file is left";
    long lost = 0;
    expectWhole(recovered, run, progress, 0, where, lost);
    expectWhole(recovered, run, progress, 1, where, lost);
    ++count.cuts;
    count.rowsLost = std::max(count.rowsLost, lost);
}

long changesOfWholeRun(const Recording& run) {
    PowerCutFileSystem files;
    Progress progress;
    files.write(kFirstDay, run.firstBase);
    const long before = files.changes();
    record(files, run, progress);
    return files.changes() - before;
}

TEST(PowerCut, EveryCutOfTwoDaysLeavesWholeDayFilesWithEveryFinishedRow) {
    const Recording run{storage::dayFileView("", rows(-3, -1)), 6};
    const long changes = changesOfWholeRun(run);
    std::mt19937 random(17);
    CutCount count;
    for (long at = 0; at <= changes; ++at) {
        for (const CutKind kind : {CutKind::kDropUnsynced, CutKind::kKeepUnsynced}) {
            cutAndRecover(run, at, kind, random, count);
        }
        for (int tear = 0; tear < 6; ++tear) cutAndRecover(run, at, CutKind::kTearUnsynced, random, count);
    }
    std::cout << count.cuts << " cuts replayed at " << changes + 1 << " points; at most " << count.rowsLost
              << " row(s) lost, all of an unfinished tick\n";
    EXPECT_LE(count.rowsLost, 1);
}

// A longer day's file, many sectors long, cut at random changes of a run of
// ticks with its writes torn.
TEST(PowerCut, RandomCutsOfALongerRunTearWritesAtSectors) {
    const Recording run{storage::dayFileView("", rows(-600, -1)), 60};
    const long changes = changesOfWholeRun(run);
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> point(0, changes);
    CutCount count;
    for (int cut = 0; cut < 60; ++cut) cutAndRecover(run, point(random), CutKind::kTearUnsynced, random, count);
    EXPECT_LE(count.rowsLost, 1);
}

}  // namespace
}  // namespace storage
