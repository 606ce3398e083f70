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
        // Beside the day's file only its log and its lock, and no draft.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
        EXPECT_TRUE(fs::exists(storage::recordingLogPath(path)));
        EXPECT_TRUE(fs::exists(storage::lockPath(path)));
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

// A full disk: the tick fails, the file keeps its last whole content, and
// the rows wait; once there is space they all go in, in order, and the log
// holds exactly what the file shows.
TEST(RecordingOnAFullDisk, KeepsTheRowsUntilThereIsSpace) {
    storage::testing::PowerCutFileSystem files;
    const fs::path day = "/day/KZRT2015125.csv";
    storage::DayFileSession session(files, day);
    ASSERT_EQ(session.record({row(1)}), RecordingStep::FileCreated);
    ASSERT_EQ(session.record({row(2)}), RecordingStep::RowInserted);
    EXPECT_EQ(session.takeCounts().written, 1u);
    const std::string before = *files.read(day);
    files.setFull(true);
    EXPECT_EQ(session.record({row(3)}), RecordingStep::WriteFailed);
    EXPECT_EQ(session.record({row(4)}), RecordingStep::WriteFailed);
    EXPECT_EQ(files.read(day), before);
    const RowCounts full = session.takeCounts();
    EXPECT_EQ(full.written, 0u);
    EXPECT_EQ(full.failed, 0u);
    EXPECT_EQ(full.waiting, 2u);
    files.setFull(false);
    ASSERT_EQ(session.record({row(5)}), RecordingStep::RowInserted);
    EXPECT_EQ(files.read(day), storage::dayFileView("", {row(2), row(3), row(4), row(5)}));
    const RowCounts after = session.takeCounts();
    EXPECT_EQ(after.written, 3u);
    EXPECT_EQ(after.waiting, 0u);
    const std::optional<storage::LogContent> log = storage::DecodeLog(*files.read(storage::recordingLogPath(day)));
    ASSERT_TRUE(log);
    EXPECT_FALSE(log->damaged);
    EXPECT_EQ(storage::dayFileView(log->base, log->rows), *files.read(day));
}

// The tick that creates a new day's file does not write its row. When that
// creation fails (a full disk, a folder unwritable for a moment), its tick has
// passed: the row of the tick that does create the file is written.
TEST(RecordingOnAFullDisk, AFailedCreationSpendsTheCreationTick) {
    storage::testing::PowerCutFileSystem files;
    const fs::path day = "/day/KZRT2015125.csv";
    storage::DayFileSession session(files, day);
    files.setFull(true);
    EXPECT_EQ(session.record({row(1)}), RecordingStep::CreateFailed);
    EXPECT_EQ(session.takeCounts().failed, 1u);
    files.setFull(false);
    ASSERT_EQ(session.record({row(2)}), RecordingStep::FileCreated);
    EXPECT_EQ(files.read(day), storage::dayFileView("", {row(2)}));
    EXPECT_EQ(session.takeCounts().written, 1u);
}

// Side files that cannot be applied as they are: another file's log is
// renamed aside; bytes that are no log at all, or a log whose records do not
// hold to its end, are kept under a clear name; a log cut short in its first
// record is removed. None of them costs the day's file a row.
TEST(RecordingRecovery, NeverAppliesAnotherFilesLogAndKeepsADamagedOne) {
    storage::testing::PowerCutFileSystem files;
    const fs::path day = "/day/KZRT2015125.csv";
    const std::string content = storage::dayFileView("", {row(1)});
    files.write(day, content);
    files.write(storage::recordingLogPath(day), storage::EncodeLogBase("KZRT2015126.csv", "") + storage::EncodeLogRow(row(9)));
    files.write("/day/.KZRT2015127.csv.kzrt-log", "not a log");
    files.write("/day/.KZRT2015128.csv.kzrt-log", storage::EncodeLogBase("KZRT2015128.csv", "").substr(0, 20));
    const Recovery recovery = recoverDirectory(files, "/day");
    ASSERT_EQ(recovery.notes.size(), 3u);
    EXPECT_EQ(recovery.notes[0].kind, FoldNote::Kind::kForeignLog);
    EXPECT_EQ(recovery.notes[0].log, storage::recordingLogPath(day));
    EXPECT_TRUE(files.read(recovery.notes[0].keptAs));
    EXPECT_EQ(recovery.notes[1].kind, FoldNote::Kind::kDamagedLog);
    EXPECT_EQ(files.read(recovery.notes[1].keptAs), "not a log");
    EXPECT_EQ(recovery.notes[1].keptAs, fs::path("/day/KZRT2015127.csv.damaged-log"));
    EXPECT_EQ(recovery.notes[2].kind, FoldNote::Kind::kEmptyLogRemoved);
    EXPECT_EQ(files.read(day), content);
    EXPECT_FALSE(files.read(storage::recordingLogPath(day)));
    EXPECT_FALSE(files.read("/day/.KZRT2015127.csv.kzrt-log"));
    EXPECT_FALSE(files.read("/day/.KZRT2015128.csv.kzrt-log"));
}

// A byte flipped in one row record of a log whose day's file holds all nine
// rows, or in its base record: the fold keeps all nine (and the record that
// no longer reads is the only one the log could not give back), says so, and
// keeps the log for a closer look.
TEST(RecordingRecovery, ADamagedLogNeverShrinksTheDayFile) {
    for (const std::size_t recordToFlip : {0u, 3u}) {
        SCOPED_TRACE("record " + std::to_string(recordToFlip));
        storage::testing::PowerCutFileSystem files;
        const fs::path day = "/day/KZRT2015125.csv";
        std::vector<runtime::Text> rows;
        std::string log = storage::EncodeLogBase("KZRT2015125.csv", "");
        std::vector<std::size_t> starts = {0};
        for (int n = 1; n <= 9; ++n) {
            rows.push_back(row(n));
            starts.push_back(log.size());
            log += storage::EncodeLogRow(row(n));
        }
        log[starts[recordToFlip] + 20] ^= 0x40;
        files.write(day, storage::dayFileView("", rows));
        files.write(storage::recordingLogPath(day), log);
        const Recovery recovery = recoverDirectory(files, "/day");
        EXPECT_EQ(files.read(day), storage::dayFileView("", rows));
        ASSERT_EQ(recovery.notes.size(), 1u);
        EXPECT_EQ(recovery.notes[0].kind, FoldNote::Kind::kDamagedLog);
        EXPECT_EQ(files.read(recovery.notes[0].keptAs), log);
        EXPECT_FALSE(files.read(storage::recordingLogPath(day)));
    }
}

// The native file system beneath, with another program's write slipped in
// just before the session copies the previous version into the next one.
class WriteBeforeCopy final : public FileSystem {
public:
    explicit WriteBeforeCopy(std::function<void(const fs::path&)> write) : m_write(std::move(write)) {}
    std::optional<std::string> read(const fs::path& p) override { return m_real->read(p); }
    std::optional<FileStamp> stamp(const fs::path& p) override { return m_real->stamp(p); }
    bool isReadOnly(const fs::path& p) override { return m_real->isReadOnly(p); }
    bool write(const fs::path& p, std::string_view c) override { return m_real->write(p, c); }
    bool append(const fs::path& p, std::string_view b) override { return m_real->append(p, b); }
    Copied appendTail(const fs::path& from, const FileStamp& expected, std::int64_t offset,
                               const fs::path& to) override {
        if (m_write) std::exchange(m_write, {})(from);
        return m_real->appendTail(from, expected, offset, to);
    }
    bool truncate(const fs::path& p, std::int64_t s) override { return m_real->truncate(p, s); }
    bool sync(const fs::path& p) override { return m_real->sync(p); }
    bool syncDirectory(const fs::path& d) override { return m_real->syncDirectory(d); }
    Published publish(const fs::path& f, const fs::path& t) override { return m_real->publish(f, t); }
    bool rename(const fs::path& f, const fs::path& t) override { return m_real->rename(f, t); }
    bool remove(const fs::path& p) override { return m_real->remove(p); }
    Lock lock(const fs::path& p) override { return m_real->lock(p); }
    void unlock(const fs::path& p) override { m_real->unlock(p); }
    void armWrite(std::function<void(const fs::path&)> write) { m_write = std::move(write); }

private:
    std::unique_ptr<FileSystem> m_real = NativeFileSystem();
    std::function<void(const fs::path&)> m_write;
};

// A new version is made from the previous one on the disk, not from memory.
// Another program that writes the file between the session's look and its
// copy (in place or by a new file under the name) gets its content kept
// whole, with the new row on top, and no byte of our previous version mixed
// in. The log agrees with the file.
TEST_F(RecordingFile, AVersionWrittenDuringTheCopyIsNeverMixedWithOurs) {
    const std::string header = meter::recordingHeader();
    const std::string theirs = header + row(7) + row(8) + "\r\n";
    const struct {
        const char* what;
        std::function<void(const fs::path&)> write;
    } cases[] = {
        {"in place", [&](const fs::path& p) { std::ofstream(p, std::ios::binary | std::ios::trunc) << theirs; }},
        {"a new file under the name",
         [&](const fs::path& p) {
             std::ofstream(p.string() + ".x", std::ios::binary) << theirs;
             fs::rename(p.string() + ".x", p);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir);
        fs::create_directories(dir);
        WriteBeforeCopy files(nullptr);
        DayFileSession racing(files, path);
        ASSERT_EQ(racing.record({row(1)}), RecordingStep::FileCreated);
        ASSERT_EQ(racing.record({row(2)}), RecordingStep::RowInserted);
        ASSERT_EQ(racing.record({row(3)}), RecordingStep::RowInserted);
        EXPECT_EQ(readFile(path), dayFileView("", {row(2), row(3)}));
        files.armWrite(c.write);
        ASSERT_EQ(racing.record({row(4)}), RecordingStep::RowInserted);
        EXPECT_EQ(readFile(path), dayFileView(theirs, {row(4)}));
        const std::optional<LogContent> log = DecodeLog(readFile(recordingLogPath(path)));
        ASSERT_TRUE(log);
        EXPECT_EQ(dayFileView(log->base, log->rows), readFile(path));
        ASSERT_TRUE(racing.finish());
    }
}

}  // namespace
}  // namespace storage
