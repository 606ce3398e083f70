// The day's file and its log on a real file system in a temporary directory;
// the window tests cover creation, a held file and a missing directory, the
// power-cut tests every cut between the file operations.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>

#include "storage/day_file_session.h"
#include "meter/recording_row.h"
#include "runtime/conversions.h"
#include "storage/file_system.h"
#include "storage/log_format.h"
#include "tests/storage/power_cut_file_system.h"

namespace storage {
namespace {

namespace fs = std::filesystem;

// Row n carries n as its voltage, so every row can be told apart.
std::string row(std::int64_t n) {
    return meter::recordingRowText(runtime::MakeDateTime(2015, 12, 5, 14, 3, 7),
                            {runtime::ToText(n), "1.234", "15.234", "10.004", "0.1234", "0.0456", "+25.3"});
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class RecordingFile : public ::testing::Test {
protected:
    RecordingFile() {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~RecordingFile() override {
        session.finish();  // lets go of the log, which Windows would not remove while it is open
        std::error_code error;
        fs::remove_all(dir, error);
    }

    RecordingStep record(const std::string& rowText) { return session.record({rowText}); }
    void recordAndCheck(const std::string& rowText) {
        const std::string before = readFile(path);
        ASSERT_EQ(record(rowText), RecordingStep::RowInserted);
        EXPECT_EQ(readFile(path), before.substr(0, 77) + rowText + before.substr(77));
        // Beside the day's file only its log, and no draft.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
        EXPECT_TRUE(fs::exists(storage::recordingLogPath(path)));
    }

    const fs::path dir = fs::temp_directory_path() / ("kzrt-recording-" + std::to_string(std::random_device()()));
    const fs::path path = dir / "KZRT2015125.csv";
    const std::unique_ptr<storage::FileSystem> files = storage::NativeFileSystem();
    DayFileSession session{*files, path};
};

// A day's file shorter than the header (a creation cut short, a user's small
// file) keeps its bytes: its first line is completed from the header and the
// row follows, with no gap of zero bytes. An empty file gets just what creation
// and one row would write.
TEST_F(RecordingFile, InsertsBehindSeventySevenBytesAndKeepsAShortFilesBytes) {
    const std::string header = meter::recordingHeader();
    const struct {
        const char* what;
        std::string content, afterOneRow;
    } cases[] = {
        {"empty", "", header + row(2) + "\r\n"},
        {"all but one byte of the header", header.substr(0, 76), header + row(2) + "\r\n"},
        {"a user's note", "note\r\n", "note\r\n" + header.substr(6) + row(2) + "\r\n"},
        {"foreign bytes", std::string(200, 'x'), std::string(77, 'x') + row(2) + std::string(123, 'x')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(path, std::ios::binary) << c.content;
        ASSERT_EQ(record(row(2)), RecordingStep::RowInserted);
        EXPECT_EQ(readFile(path), c.afterOneRow);
        // The next row lands below the first 77 bytes as usual.
        recordAndCheck(row(3));
    }
}

// A file the user made read-only is left alone, even where the folder would
// let a rename replace it (and even for root, whom no permission stops).
TEST_F(RecordingFile, LeavesAReadOnlyFileAsItIs) {
    ASSERT_EQ(record(row(1)), RecordingStep::FileCreated);
    recordAndCheck(row(2));
    const std::string before = readFile(path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(record(row(3)), RecordingStep::ReadOnly);
    EXPECT_EQ(readFile(path), before);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    recordAndCheck(row(4));
}

// Another program truncates, extends or rewrites the day's file while
// recording runs: the next row goes on top of what the file holds then, and
// no row of the earlier version comes back.
TEST_F(RecordingFile, ARowGoesOnTopOfWhatAnotherProgramLeftInTheFile) {
    const std::string header = meter::recordingHeader();
    const struct {
        const char* what;
        std::function<std::string(const std::string&)> change;
    } cases[] = {
        {"truncated", [](const std::string&) { return std::string(); }},
        {"appended to", [](const std::string& before) { return before + "a user's line\r\n"; }},
        {"edited", [&](const std::string&) { return header + row(1) + "\r\n"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(path, std::ios::binary) << header << "\r\n";
        recordAndCheck(row(2));
        recordAndCheck(row(3));
        const std::string changed = c.change(readFile(path));
        std::ofstream(path, std::ios::binary | std::ios::trunc) << changed;
        ASSERT_EQ(record(row(4)), RecordingStep::RowInserted);
        EXPECT_EQ(readFile(path), storage::dayFileView(changed, {row(4)}));
        ASSERT_TRUE(session.finish());
        EXPECT_FALSE(fs::exists(storage::recordingLogPath(path)));
    }
}

// A full disk: the tick fails, the file keeps its last whole content, and the
// log stays readable, so the next tick after space returns records again.
TEST(RecordingOnAFullDisk, FailsCleanlyAndRecordsAgainOnceThereIsSpace) {
    storage::testing::PowerCutFileSystem files;
    const fs::path day = "/day/KZRT2015125.csv";
    storage::DayFileSession session(files, day);
    ASSERT_EQ(session.record({row(1)}), RecordingStep::FileCreated);
    ASSERT_EQ(session.record({row(2)}), RecordingStep::RowInserted);
    const std::string before = *files.read(day);
    files.setFull(true);
    EXPECT_EQ(session.record({row(3)}), RecordingStep::WriteFailed);
    EXPECT_EQ(files.read(day), before);
    files.setFull(false);
    ASSERT_EQ(session.record({row(4)}), RecordingStep::RowInserted);
    EXPECT_EQ(files.read(day), storage::dayFileView("", {row(2), row(4)}));
    // The log holds exactly what the file shows: a start from it agrees.
    const std::optional<storage::LogContent> log = storage::DecodeLog(*files.read(storage::recordingLogPath(day)));
    ASSERT_TRUE(log);
    EXPECT_EQ(log->wholeBytes, files.read(storage::recordingLogPath(day))->size());
    EXPECT_EQ(storage::dayFileView(log->base, log->rows), *files.read(day));
}

// Side files that cannot be applied: another file's log is renamed aside and
// reported; bytes that are no log at all are removed and reported; neither
// touches a day's file.
TEST(RecordingRecovery, NeverAppliesAnotherFilesLogOrADamagedOne) {
    storage::testing::PowerCutFileSystem files;
    const fs::path day = "/day/KZRT2015125.csv";
    const std::string content = storage::dayFileView("", {row(1)});
    files.write(day, content);
    files.write(storage::recordingLogPath(day), storage::EncodeLogBase("KZRT2015126.csv", "") + storage::EncodeLogRow(row(9)));
    files.write("/day/.KZRT2015127.csv.kzrt-log", "not a log");
    const Recovery recovery = recoverDirectory(files, "/day");
    ASSERT_EQ(recovery.ignored.size(), 1u);
    EXPECT_EQ(recovery.ignored[0].path, storage::recordingLogPath(day));
    EXPECT_TRUE(files.read(recovery.ignored[0].keptAs));
    EXPECT_EQ(recovery.discarded, std::vector<fs::path>{"/day/.KZRT2015127.csv.kzrt-log"});
    EXPECT_EQ(files.read(day), content);
    EXPECT_FALSE(files.read("/day/KZRT2015127.csv"));
    EXPECT_FALSE(files.read(storage::recordingLogPath(day)));
}

}  // namespace
}  // namespace storage
