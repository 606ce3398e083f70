// One writer per day's file, on a real file system: the lock is taken before
// anything is touched, a second writer waits with its rows, a log removed
// behind the writer's back begins again, and a session end that cannot be
// done now is done later.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "storage/day_file_session.h"
#include "storage/log_format.h"
#include "storage/recording_thread.h"
#include "tests/storage/timed_rows.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace storage {
namespace {

namespace fs = std::filesystem;
using testing::timedRow;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class OneWriter : public ::testing::Test {
protected:
    OneWriter() { fs::create_directories(dir); }
    ~OneWriter() override {
        std::error_code error;
        fs::remove_all(dir, error);
    }
    const fs::path dir = fs::temp_directory_path() / ("kzrt-one-writer-" + std::to_string(std::random_device()()));
    const fs::path day = dir / "KZRT2015125.csv";
    // Two programs: each has its own file system, as two processes would.
    const std::unique_ptr<FileSystem> first = NativeFileSystem();
    const std::unique_ptr<FileSystem> second = NativeFileSystem();
};

// The second writer touches neither the log nor the file, keeps its rows,
// and writes them once the first has ended; no row is lost or doubled.
TEST_F(OneWriter, ASecondWriterWaitsWithItsRows) {
    DayFileSession a(*first, day);
    DayFileSession b(*second, day);
    ASSERT_EQ(a.record({timedRow(1)}), RecordingStep::FileCreated);
    ASSERT_EQ(a.record({timedRow(2)}), RecordingStep::RowInserted);
    const std::string log = readFile(recordingLogPath(day));
    EXPECT_EQ(b.record({timedRow(3)}), RecordingStep::InUse);
    EXPECT_EQ(b.record({timedRow(4)}), RecordingStep::InUse);
    EXPECT_EQ(readFile(recordingLogPath(day)), log);
    EXPECT_EQ(b.takeCounts().waiting, 2u);
    ASSERT_EQ(a.record({timedRow(5)}), RecordingStep::RowInserted);
    ASSERT_TRUE(a.finish());
    EXPECT_FALSE(fs::exists(lockPath(day)));
    ASSERT_EQ(b.record({timedRow(6)}), RecordingStep::RowInserted);
    EXPECT_EQ(readFile(day), dayFileView("", {timedRow(2), timedRow(5), timedRow(3), timedRow(4), timedRow(6)}));
    const RowCounts counts = b.takeCounts();
    EXPECT_EQ(counts.written, 3u);
    EXPECT_EQ(counts.waiting, 0u);
    ASSERT_TRUE(b.finish());
}

// A writer that gives up while the other holds the file counts its rows as
// failed, and leaves the other's log alone.
TEST_F(OneWriter, AWriterThatNeverGetsTheFileCountsItsRowsFailed) {
    DayFileSession a(*first, day);
    ASSERT_EQ(a.record({timedRow(1)}), RecordingStep::FileCreated);
    {
        DayFileSession b(*second, day);
        EXPECT_EQ(b.record({timedRow(2)}), RecordingStep::InUse);
        ASSERT_TRUE(b.finish());
        const RowCounts counts = b.takeCounts();
        EXPECT_EQ(counts.failed, 1u);
        EXPECT_EQ(counts.waiting, 0u);
    }
    EXPECT_TRUE(fs::exists(recordingLogPath(day)));
    ASSERT_EQ(a.record({timedRow(3)}), RecordingStep::RowInserted);
    EXPECT_EQ(readFile(day), dayFileView("", {timedRow(3)}));
    ASSERT_TRUE(a.finish());
}

// A log removed while recording runs (by hand, by a cleaner) begins again
// from the day's file; every later row is written and the new log folds to
// exactly the file.
TEST_F(OneWriter, ALogRemovedWhileRecordingBeginsAgain) {
    DayFileSession a(*first, day);
    ASSERT_EQ(a.record({timedRow(1)}), RecordingStep::FileCreated);
    ASSERT_EQ(a.record({timedRow(2)}), RecordingStep::RowInserted);
    fs::remove(recordingLogPath(day));
    for (int n = 3; n <= 5; ++n) ASSERT_EQ(a.record({timedRow(n)}), RecordingStep::RowInserted) << n;
    EXPECT_EQ(readFile(day), dayFileView("", testing::timedRows(2, 5)));
    const std::optional<LogContent> log = DecodeLog(readFile(recordingLogPath(day)));
    ASSERT_TRUE(log);
    EXPECT_EQ(dayFileView(log->base, log->rows), readFile(day));
    EXPECT_EQ(a.takeCounts().written, 4u);
    ASSERT_TRUE(a.finish());
}

#ifndef _WIN32
// Another program holds the day's file locked while recording ends (another
// copy of an older console, `flock -x`): the end fails and keeps the log, the
// thread says so, tries again while it runs, and says when it is done.
TEST_F(OneWriter, ASessionEndThatFailsIsTriedAgainWhileTheProgramRuns) {
    std::mutex mutex;
    std::vector<RecordingThread::Report> reports;
    RecordingThread thread(NativeFileSystem(), [&](RecordingThread::Report report) {
        const std::lock_guard lock(mutex);
        reports.push_back(std::move(report));
    });
    for (int n = 1; n <= 3; ++n) thread.record(day, timedRow(n));
    thread.waitUntilIdle();
    const int holder = ::open(day.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    thread.record(day, timedRow(4));  // cannot be published while held
    thread.finish();
    thread.waitUntilIdle();
    {
        const std::lock_guard lock(mutex);
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back().step, RecordingStep::EndFailed);
        EXPECT_EQ(reports.back().waiting, 1u);
    }
    EXPECT_TRUE(fs::exists(recordingLogPath(day)));
    EXPECT_FALSE(thread.waitUntilEnded(std::chrono::milliseconds(200)));
    ::close(holder);
    ASSERT_TRUE(thread.waitUntilEnded(std::chrono::seconds(5)));
    const std::lock_guard lock(mutex);
    EXPECT_EQ(reports.back().step, RecordingStep::SessionEnded);
    EXPECT_EQ(reports.back().written, 1u);
    EXPECT_EQ(reports.back().waiting, 0u);
    EXPECT_EQ(readFile(day), dayFileView("", testing::timedRows(2, 4)));
    EXPECT_FALSE(fs::exists(recordingLogPath(day)));
}

// Recording starts again into a day's file whose last session could not end
// yet: it goes on with that session, its lock and its log, and no row is lost
// or doubled.
TEST_F(OneWriter, RecordingAgainIntoAFileWhoseEndWaitsGoesOnWithIt) {
    RecordingThread thread(NativeFileSystem(), {});
    for (int n = 1; n <= 2; ++n) thread.record(day, timedRow(n));
    thread.waitUntilIdle();
    const int holder = ::open(day.c_str(), O_RDONLY);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    thread.record(day, timedRow(3));
    thread.finish();
    thread.waitUntilIdle();
    thread.record(day, timedRow(4));
    thread.waitUntilIdle();
    ::close(holder);
    thread.finish();
    ASSERT_TRUE(thread.waitUntilEnded(std::chrono::seconds(5)));
    EXPECT_EQ(readFile(day), dayFileView("", testing::timedRows(2, 4)));
    EXPECT_FALSE(fs::exists(recordingLogPath(day)));
}
#endif

}  // namespace
}  // namespace storage
