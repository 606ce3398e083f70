// One recording step on a real day's file in a temporary directory.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "console/recording_file.h"
#include "console/recording_row.h"

namespace console {
namespace {

namespace fs = std::filesystem;
using runtime::Gbk;
using runtime::MakeDateTime;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string row(int second, const char* voltage) {
    return recordingRowText(MakeDateTime(2015, 12, 5, 14, 3, second),
                            {voltage, "1.234", "15.234", "10.004", "0.1234", "0.0456", "+25.3"});
}

class RecordingFile : public ::testing::Test {
protected:
    RecordingFile() {
        dir = fs::temp_directory_path() / ("kzrt-recording-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = dir / "KZRT2015125.csv";
    }
    ~RecordingFile() override { fs::remove_all(dir); }

    RecordingStep record(const std::string& rowText) { return recordRow(path.string(), rowText); }
    // Sibling files other than the day's file: what a step left lying about.
    int strayFiles() const {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(dir)) count += entry.path() != path;
        return count;
    }

    fs::path dir;
    fs::path path;
    const std::string header = recordingHeader() + "\r\n";
};

TEST_F(RecordingFile, FirstStepCreatesTheHeaderOnlyAndLaterRowsGoNewestFirst) {
    ASSERT_EQ(record(row(1, "1.000")), RecordingStep::FileCreated);
    EXPECT_EQ(readFile(path), header);
    EXPECT_EQ(readFile(path).size(), 79u);

    ASSERT_EQ(record(row(2, "2.000")), RecordingStep::RowInserted);
    ASSERT_EQ(record(row(3, "3.000")), RecordingStep::RowInserted);
    ASSERT_EQ(record(row(4, "4.000")), RecordingStep::RowInserted);
    // Each row carries its own leading CR LF; the header's CR LF ends the oldest.
    EXPECT_EQ(readFile(path), recordingHeader() + row(4, "4.000") + row(3, "3.000") + row(2, "2.000") + "\r\n");
    EXPECT_EQ(strayFiles(), 0);
}

TEST_F(RecordingFile, InsertsBehindSeventySevenBytesWhateverTheFileHolds) {
    const std::string foreign(200, 'x');
    writeFile(path, foreign);
    ASSERT_EQ(record(row(2, "2.000")), RecordingStep::RowInserted);
    EXPECT_EQ(readFile(path), foreign.substr(0, 77) + row(2, "2.000") + foreign.substr(77));
}

struct ShortFileCase {
    const char* what;
    std::string content;
};

class RecordingShortFile : public RecordingFile, public ::testing::WithParamInterface<ShortFileCase> {};

// A day's file shorter than the header keeps its bytes; its first line is
// completed from the header and the row follows, with no gap of zero bytes.
TEST_P(RecordingShortFile, KeepsItsBytesAndCompletesTheFirstLine) {
    const std::string& content = GetParam().content;
    writeFile(path, content);
    ASSERT_EQ(record(row(2, "2.000")), RecordingStep::RowInserted);
    const std::string after = readFile(path);
    EXPECT_EQ(after, content + recordingHeader().substr(content.size()) + row(2, "2.000") + "\r\n");
    EXPECT_EQ(after.find('\0'), std::string::npos);
    // The next row lands below the completed first line as usual.
    ASSERT_EQ(record(row(3, "3.000")), RecordingStep::RowInserted);
    EXPECT_EQ(readFile(path), after.substr(0, 77) + row(3, "3.000") + after.substr(77));
}

INSTANTIATE_TEST_SUITE_P(
    Contents, RecordingShortFile,
    ::testing::Values(ShortFileCase{"empty (creation cut short)", ""},
                      ShortFileCase{"part of the header", recordingHeader().substr(0, 30)},
                      ShortFileCase{"all but one byte of the header", recordingHeader().substr(0, 76)},
                      ShortFileCase{"a user's note", "note\r\n"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(RecordingFile, AnEmptyFileGetsExactlyWhatCreationAndOneRowWouldHaveWritten) {
    writeFile(path, "");
    ASSERT_EQ(record(row(2, "2.000")), RecordingStep::RowInserted);
    const std::string repaired = readFile(path);
    fs::remove(path);
    ASSERT_EQ(record(row(1, "1.000")), RecordingStep::FileCreated);
    ASSERT_EQ(record(row(2, "2.000")), RecordingStep::RowInserted);
    EXPECT_EQ(readFile(path), repaired);
}

// Another process holds the day's file with writing denied (an advisory lock
// on POSIX): that step's row is lost, the file is untouched, and the next step
// after the holder lets go records again.
TEST_F(RecordingFile, AFileHeldByAnotherProcessLosesThatRowOnly) {
    ASSERT_EQ(record(row(1, "1.000")), RecordingStep::FileCreated);
    ASSERT_EQ(record(row(2, "2.000")), RecordingStep::RowInserted);
    const std::string before = readFile(path);

    int locked[2], release[2];
    ASSERT_EQ(pipe(locked), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        close(locked[0]);
        close(release[1]);
        const int fd = ::open(path.c_str(), O_RDWR);
        const bool ok = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
        char done = ok ? 'y' : 'n';
        (void)!write(locked[1], &done, 1);
        (void)!read(release[0], &done, 1);  // until the parent closes its end
        _exit(0);
    }
    close(locked[1]);
    close(release[0]);
    char answer = 0;
    ASSERT_EQ(read(locked[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');

    EXPECT_EQ(record(row(3, "3.000")), RecordingStep::OpenFailed);
    EXPECT_EQ(readFile(path), before);

    close(release[1]);
    int status = 0;
    waitpid(holder, &status, 0);
    close(locked[0]);
    ASSERT_EQ(record(row(4, "4.000")), RecordingStep::RowInserted);
    EXPECT_EQ(readFile(path), recordingHeader() + row(4, "4.000") + row(2, "2.000") + "\r\n");
}

TEST_F(RecordingFile, ADirectoryThatCannotHoldTheFileFailsCreationEveryTime) {
    const fs::path missing = dir / "gone" / "KZRT2015125.csv";
    EXPECT_EQ(recordRow(missing.string(), row(1, "1.000")), RecordingStep::CreateFailed);
    EXPECT_EQ(recordRow(missing.string(), row(2, "2.000")), RecordingStep::CreateFailed);
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(RecordingFile, KeepsTheFilePermissions) {
    ASSERT_EQ(record(row(1, "1.000")), RecordingStep::FileCreated);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(record(row(2, "2.000")), RecordingStep::RowInserted);
    EXPECT_EQ(fs::status(path).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
}  // namespace console
