#include "runtime/files.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>

#include "temp_directory.h"

namespace runtime {
namespace {

class FilesTest : public TempDirectoryTest {
protected:
    void TearDown() override
    {
        for (int number : m_opened) CloseFile(number);
        TempDirectoryTest::TearDown();
    }

    int open(const std::string& name, int mode = 3, int share = 1)
    {
        const int number = OpenFile(path(name), mode, share);
        if (number != 0) m_opened.push_back(number);
        return number;
    }

    std::vector<int> m_opened;
};

// Runs `body` in a child process and returns its exit status.
int InChildProcess(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(FilesTest, ModesOpenCreateAndTruncateAsDocumented)
{
    write("old", "content");
    EXPECT_EQ(open("missing", 1), 0);
    EXPECT_EQ(open("missing", 2), 0);
    EXPECT_EQ(open("missing", 3), 0);
    EXPECT_FALSE(FileExists(path("missing")));

    const int keep = open("old", 5);
    ASSERT_NE(keep, 0);
    EXPECT_TRUE(WriteTextLine(keep, {"C"}));
    CloseFile(keep);
    EXPECT_EQ(read("old"), "C\r\ntent");

    ASSERT_NE(open("old", 4), 0);
    EXPECT_EQ(read("old"), "");
    ASSERT_NE(open("new5", 5), 0);
    ASSERT_NE(open("new6", 6), 0);
    EXPECT_TRUE(FileExists(path("new5")));
    EXPECT_TRUE(FileExists(path("new6")));
}

TEST_F(FilesTest, RefusesEmptyNamesDirectoriesAndUnknownModes)
{
    write("f", "x");
    EXPECT_EQ(OpenFile("", 3, 1), 0);
    EXPECT_EQ(OpenFile(path(""), 1, 1), 0);  // the directory itself
    EXPECT_EQ(open("f", 0), 0);
    EXPECT_EQ(open("f", 7), 0);
    EXPECT_EQ(open("f", 3, 5), 0);
    EXPECT_FALSE(CloseFile(12345));
}

TEST_F(FilesTest, FileNumbersAreTheSmallestFree)
{
    write("f", "x");
    const int first = OpenFile(path("f"), 1);
    const int second = OpenFile(path("f"), 1);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    EXPECT_TRUE(CloseFile(first));
    EXPECT_FALSE(CloseFile(first));
    EXPECT_EQ(OpenFile(path("f"), 1), 1);
    CloseFile(1);
    CloseFile(second);
}

TEST_F(FilesTest, GbkNamesAreUtf8OnDisk)
{
    ASSERT_TRUE(WriteToFile(path("记录.csv"), {Gbk("电压")}));
    EXPECT_TRUE(std::filesystem::exists(m_directory / "记录.csv"));
    EXPECT_TRUE(FileExists(path("记录.csv")));
    EXPECT_EQ(read("记录.csv"), Gbk("电压"));
}

TEST_F(FilesTest, PositionMovesByBaseAndIgnoresInvalidMoves)
{
    write("f", "0123456789");
    const int number = open("f", 3);
    ASSERT_NE(number, 0);
    MoveFilePosition(number, 1, 4);
    MoveFilePosition(number, 2, 2);
    MoveFilePosition(number, 4, 0);   // unknown base: nothing
    MoveFilePosition(number, 1, -5);  // before the start: nothing
    WriteTextLine(number, {"a"});     // at 6
    EXPECT_EQ(read("f"), "012345a\r\n9");
    MoveFilePosition(number, 3, -1);
    WriteTextLine(number, {});  // nothing to write
    WriteTextLine(number, {"b", "c"});
    EXPECT_EQ(read("f"), "012345a\r\nb\r\nc\r\n");
    MoveToFileEnd(number);
    WriteTextLine(number, {"d"});
    EXPECT_EQ(read("f"), "012345a\r\nb\r\nc\r\nd\r\n");
}

TEST_F(FilesTest, WritingNeedsAWritableMode)
{
    write("f", "abc");
    const int number = open("f", 1);
    EXPECT_FALSE(WriteTextLine(number, {"x"}));
    EXPECT_FALSE(InsertText(number, {"x"}));
    EXPECT_EQ(read("f"), "abc");
    const int writeOnly = open("f", 2);
    EXPECT_FALSE(InsertText(writeOnly, {"x"}));
    EXPECT_FALSE(WriteTextLine(999, {"x"}));
}

TEST_F(FilesTest, WriteToFileCreatesTruncatesAndConcatenates)
{
    EXPECT_FALSE(WriteToFile("", {"x"}));
    ASSERT_TRUE(WriteToFile(path("f"), {"abc", "", "de"}));
    EXPECT_EQ(read("f"), "abcde");
    ASSERT_TRUE(WriteToFile(path("f"), {""}));
    EXPECT_EQ(read("f"), "");
    EXPECT_FALSE(WriteToFile(path("no-such-dir/f"), {"x"}));
}

TEST_F(FilesTest, ALockHeldElsewhereMakesOpenFail)
{
    write("day.csv", "header");
    const Text name = path("day.csv");
    const int holder = open("day.csv", 3, 3);
    ASSERT_NE(holder, 0);

    // Another process: the denying shares fail, share 1 asks for no lock.
    EXPECT_EQ(InChildProcess([&] { return OpenFile(name, 3, 3) == 0 ? 0 : 1; }), 0);
    EXPECT_EQ(InChildProcess([&] { return OpenFile(name, 1, 4) == 0 ? 0 : 1; }), 0);
    EXPECT_EQ(InChildProcess([&] { return OpenFile(name, 1, 1) != 0 ? 0 : 1; }), 0);
    // WriteToFile is exclusive: it fails and leaves the content alone.
    EXPECT_EQ(InChildProcess([&] { return WriteToFile(name, {"x"}) ? 1 : 0; }), 0);
    EXPECT_EQ(read("day.csv"), "header");

    // Another file number of this process is another holder too.
    EXPECT_EQ(OpenFile(name, 3, 2), 0);
    EXPECT_EQ(OpenFile(name, 4, 3), 0);
    EXPECT_EQ(read("day.csv"), "header");

    CloseFile(holder);
    m_opened.clear();
    EXPECT_EQ(InChildProcess([&] { return OpenFile(name, 3, 3) != 0 ? 0 : 1; }), 0);
}

// The bytes an in-place insertion at `position` would leave.
std::string InsertedInPlace(std::string content, std::size_t position, const std::string& text)
{
    content.insert(std::min(position, content.size()), text);
    return content;
}

struct InsertCase {
    std::string content;
    std::int64_t position;
    std::string text;
};

TEST_F(FilesTest, InsertTextLeavesTheBytesOfAnInPlaceInsertion)
{
    const std::string big(3 * 1024 * 1024 + 17, 'z');
    const InsertCase cases[] = {
        {"0123456789", 0, "ab"},
        {"0123456789", 4, "ab"},
        {"0123456789", 10, "ab"},
        {"0123456789", 25, "ab"},  // beyond the end: appended, no gap
        {"", 0, "ab"},
        {big, 77, "\r\nrow"},
    };
    for (const auto& c : cases) {
        write("f", c.content);
        const int number = open("f", 3, 3);
        ASSERT_NE(number, 0);
        MoveFilePosition(number, 1, c.position);
        ASSERT_TRUE(InsertText(number, {c.text.substr(0, 1), c.text.substr(1)}));
        const std::string expected = InsertedInPlace(c.content, static_cast<std::size_t>(c.position), c.text);
        EXPECT_TRUE(read("f") == expected) << "at " << c.position;
        // The position follows the inserted text.
        WriteTextLine(number, {"!"});
        const std::size_t after = std::min<std::size_t>(c.position, c.content.size()) + c.text.size();
        EXPECT_EQ(read("f").substr(after, 3), "!\r\n");
        CloseFile(number);
        m_opened.clear();
        EXPECT_EQ(entryCount(), 1u) << "a temporary file was left behind";
    }
}

TEST_F(FilesTest, RowsInsertedBelowTheHeaderReadNewestFirst)
{
    const Text header = Gbk("时间(H:M:S),电压(V),,电流(A),,功率(W),,电阻(R),,瓦时(Wh),,安时(Ah),,温度(℃),");
    ASSERT_EQ(header.size(), 77u);
    const Text name = path("KZRT2015125.csv");
    ASSERT_TRUE(WriteToFile(name, {""}));
    int number = OpenFile(name, 3, 3);
    MoveToFileEnd(number);
    WriteTextLine(number, {header});
    CloseFile(number);
    for (const char* row : {"R1", "R2", "R3"}) {
        number = OpenFile(name, 3, 3);
        MoveFilePosition(number, 1, 77);
        ASSERT_TRUE(InsertText(number, {"\r\n", row}));
        CloseFile(number);
    }
    EXPECT_EQ(read("KZRT2015125.csv"), header + "\r\nR3\r\nR2\r\nR1\r\n");
}

TEST_F(FilesTest, InsertTextKeepsTheLockPermissionsAndLinks)
{
    write("target.csv", "0123456789");
    std::filesystem::permissions(m_directory / "target.csv", std::filesystem::perms(0640));
    std::filesystem::create_symlink(m_directory / "target.csv", m_directory / "link.csv");
    const int number = open("link.csv", 3, 3);
    ASSERT_NE(number, 0);
    MoveFilePosition(number, 1, 5);
    ASSERT_TRUE(InsertText(number, {"ab"}));

    EXPECT_TRUE(std::filesystem::is_symlink(m_directory / "link.csv"));
    EXPECT_EQ(read("target.csv"), "01234ab56789");
    EXPECT_EQ(std::filesystem::status(m_directory / "target.csv").permissions(),
              std::filesystem::perms(0640));
    const Text name = path("target.csv");
    EXPECT_EQ(InChildProcess([&] { return OpenFile(name, 3, 3) == 0 ? 0 : 1; }), 0)
        << "the replaced file must carry the lock";
}

TEST_F(FilesTest, InsertTextRefusesAFileReplacedBehindItsBack)
{
    write("f", "old");
    const int number = open("f", 3, 1);
    std::filesystem::remove(m_directory / "f");
    write("f", "someone else's");
    EXPECT_FALSE(InsertText(number, {"x"}));
    EXPECT_EQ(read("f"), "someone else's");
    EXPECT_EQ(entryCount(), 1u);
}

}  // namespace
}  // namespace runtime
