#include "runtime/files.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "runtime/settings_store.h"

namespace runtime {
namespace {

// A fresh directory per test, removed afterwards, with the file numbers the test opened.
class FilesTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kzrt-runtime-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_directory = pattern;
    }

    void TearDown() override
    {
        for (int number : m_opened) CloseFile(number);
        std::filesystem::remove_all(m_directory);
    }

    // GBK path of `name` (UTF-8) inside the directory.
    Text path(const std::string& name) const { return GbkFromUtf8((m_directory / name).string()); }

    std::string read(const std::string& name) const
    {
        std::ifstream in(m_directory / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    void write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(m_directory / name, std::ios::binary) << bytes;
    }

    std::size_t entryCount() const
    {
        const std::filesystem::directory_iterator entries(m_directory);
        return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
    }

    int open(const std::string& name, int mode = 3, int share = 1)
    {
        const int number = OpenFile(path(name), mode, share);
        if (number != 0) m_opened.push_back(number);
        return number;
    }

    std::filesystem::path m_directory;
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
    for (int mode : {1, 2, 3}) EXPECT_EQ(open("missing", mode), 0) << mode;
    EXPECT_FALSE(FileExists(path("missing")));
    EXPECT_TRUE(WriteTextLine(open("old", 5), {"C"}));
    EXPECT_EQ(read("old"), "C\r\ntent");
    ASSERT_NE(open("old", 4), 0);
    EXPECT_EQ(read("old"), "");
    for (int mode : {5, 6}) EXPECT_NE(open("new" + std::to_string(mode), mode), 0) << mode;  // created
}

TEST_F(FilesTest, NumbersAreTheSmallestFreeAndBadArgumentsOrModesGetNone)
{
    write("f", "abc");
    EXPECT_EQ(open("f", 1), 1);
    EXPECT_EQ(open("f", 1), 2);
    EXPECT_TRUE(CloseFile(1));
    EXPECT_FALSE(CloseFile(1));
    const int readOnly = open("f", 1);
    EXPECT_EQ(readOnly, 1);

    EXPECT_EQ(OpenFile("", 3, 1), 0);
    EXPECT_EQ(OpenFile(path(""), 1, 1), 0);  // the directory itself
    EXPECT_EQ(open("f", 0), 0);
    EXPECT_EQ(open("f", 7), 0);
    EXPECT_EQ(open("f", 3, 5), 0);
    EXPECT_FALSE(CloseFile(12345));
    EXPECT_FALSE(WriteTextLine(999, {"x"}));
    EXPECT_FALSE(WriteTextLine(readOnly, {"x"}));
    EXPECT_FALSE(InsertText(readOnly, {"x"}));
    EXPECT_FALSE(InsertText(open("f", 2), {"x"}));
    EXPECT_EQ(read("f"), "abc");
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
    WriteTextLine(number, {"b", "c"});
    EXPECT_EQ(read("f"), "012345a\r\nb\r\nc\r\n");
}

TEST_F(FilesTest, WriteToFileCreatesTruncatesAndConcatenatesUnderGbkNames)
{
    EXPECT_FALSE(WriteToFile("", {"x"}));
    EXPECT_FALSE(WriteToFile(path("no-such-dir/f"), {"x"}));
    ASSERT_TRUE(WriteToFile(path("记录.csv"), {Gbk("电压"), "", "de"}));
    EXPECT_TRUE(FileExists(path("记录.csv")));
    EXPECT_EQ(read("记录.csv"), Gbk("电压") + "de");  // the name is UTF-8 on disk
    ASSERT_TRUE(WriteToFile(path("记录.csv"), {""}));
    EXPECT_EQ(read("记录.csv"), "");
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

    // Another file number of this process is another holder too.
    EXPECT_EQ(OpenFile(name, 3, 2), 0);
    EXPECT_EQ(OpenFile(name, 4, 3), 0);
    EXPECT_EQ(read("day.csv"), "header");

    CloseFile(holder);
    m_opened.clear();
    EXPECT_EQ(InChildProcess([&] { return OpenFile(name, 3, 3) != 0 ? 0 : 1; }), 0);
}

TEST_F(FilesTest, InsertTextLeavesTheBytesOfAnInPlaceInsertion)
{
    const std::string big(3 * 1024 * 1024 + 17, 'z');
    // Position 25 is beyond the end: the text is appended, no gap.
    const std::pair<std::string, std::size_t> cases[] = {{"0123456789", 4}, {"0123456789", 25}, {"", 0}, {big, 77}};
    for (const auto& [content, position] : cases) {
        write("f", content);
        const int number = OpenFile(path("f"), 3, 3);
        ASSERT_NE(number, 0);
        MoveFilePosition(number, 1, static_cast<std::int64_t>(position));
        ASSERT_TRUE(InsertText(number, {"\r\n", "row"}));
        WriteTextLine(number, {"!"});  // the position follows the inserted text
        CloseFile(number);
        const std::size_t at = std::min(position, content.size());
        std::string expected = content.substr(0, at) + "\r\nrow" + content.substr(at);
        expected.replace(at + 5, 3, "!\r\n");  // the line is written over what follows
        EXPECT_TRUE(read("f") == expected) << "at " << position;
        EXPECT_EQ(entryCount(), 1u) << "a temporary file was left behind";
    }
}

TEST_F(FilesTest, InsertTextReplacesTheFileWholeKeepingLockPermissionsAndLinks)
{
    write("target.csv", "0123456789");
    std::filesystem::permissions(m_directory / "target.csv", std::filesystem::perms(0640));
    std::filesystem::create_symlink(m_directory / "target.csv", m_directory / "link.csv");
    std::ifstream reader(m_directory / "target.csv", std::ios::binary);
    const int number = open("link.csv", 3, 3);
    ASSERT_NE(number, 0);
    MoveFilePosition(number, 1, 5);
    ASSERT_TRUE(InsertText(number, {"ab"}));

    // A reader that opened before sees all of the old content, never a mix.
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), "0123456789");
    EXPECT_EQ(read("target.csv"), "01234ab56789");
    EXPECT_TRUE(std::filesystem::is_symlink(m_directory / "link.csv"));
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

TEST_F(FilesTest, SettingsFileIsCreatedOnDemandAndNeverForgedOrReplacedWhenUnreadable)
{
    const Text file = path("s.ini");
    EXPECT_TRUE(WriteSettingsItem(file, "KZRT", "Port", std::nullopt));  // deleting from no file
    EXPECT_TRUE(WriteSettingsItem(file, "KZRT", std::nullopt, std::nullopt));
    EXPECT_FALSE(WriteSettingsItem(file, "KZRT", "Port", "1\r\n[Evil]"));
    EXPECT_FALSE(WriteSettingsItem(file, "KZ\nRT", "Port", "1"));
    EXPECT_FALSE(WriteSettingsItem(file, "", "Port", "1"));
    EXPECT_FALSE(WriteSettingsItem(file, "KZRT", std::string_view(), "1"));
    EXPECT_EQ(entryCount(), 0u);

    ASSERT_TRUE(WriteSettingsItem(file, "KZRT", "Port", "1"));
    ASSERT_TRUE(WriteSettingsItem(file, "KZRT", "Baud", "2400"));
    EXPECT_EQ(read("s.ini"), "[KZRT]\r\nPort=1\r\nBaud=2400\r\n");
    EXPECT_EQ(entryCount(), 1u) << "a temporary file was left behind";

    std::filesystem::create_directories(m_directory / "d.ini" / "keep");
    EXPECT_FALSE(WriteSettingsItem(path("d.ini"), "KZRT", "Port", "2"));
    EXPECT_TRUE(std::filesystem::exists(m_directory / "d.ini" / "keep"));
    EXPECT_FALSE(WriteSettingsItem(path("no-such-dir/s.ini"), "KZRT", "Port", "2"));
    EXPECT_EQ(entryCount(), 2u);
}

// A file its owner made read-only is not replaced, though the folder would
// allow the rename (and root passes every permission check).
TEST_F(FilesTest, ReadOnlyFilesAreNeitherReplacedNorInsertedInto)
{
    const Text settings = path("s.ini");
    ASSERT_TRUE(WriteSettingsItem(settings, "KZRT", "Port", "1"));
    write("day.csv", "header\r\n");
    const int number = open("day.csv", 3, 3);
    const auto readOnly = std::filesystem::perms::owner_read | std::filesystem::perms::group_read;
    for (const char* name : {"s.ini", "day.csv"}) std::filesystem::permissions(m_directory / name, readOnly);

    EXPECT_TRUE(FileIsReadOnly(settings));
    EXPECT_FALSE(WriteSettingsItem(settings, "KZRT", "Port", "2"));
    EXPECT_EQ(read("s.ini"), "[KZRT]\r\nPort=1\r\n");
    EXPECT_FALSE(InsertText(number, {"row\r\n"}));
    EXPECT_EQ(read("day.csv"), "header\r\n");
    EXPECT_EQ(entryCount(), 2u) << "a temporary file was left behind";

    std::filesystem::permissions(m_directory / "s.ini", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_FALSE(FileIsReadOnly(settings));
    EXPECT_TRUE(WriteSettingsItem(settings, "KZRT", "Port", "2"));
    EXPECT_FALSE(FileIsReadOnly(path("missing")));
}

TEST_F(FilesTest, SettingsReadsFallBackAndCutLongValuesLikeTheReadBuffer)
{
    const std::string ascii(20000, 'a');
    const std::string wide = std::string(10238, 'a') + "\xB5\xE7";  // 电 would end at byte 10240
    write("s.ini", "[KZRT]\nPort= 3 \nA=" + ascii + "\nW=" + wide + "\n");
    const Text file = path("s.ini");
    EXPECT_EQ(ReadSettingsItem(file, "kzrt", "port", "x"), "3");
    EXPECT_EQ(ReadSettingsItem(file, "KZRT", "Baud", "2400"), "2400");
    EXPECT_EQ(ReadSettingsItem(path("missing.ini"), "KZRT", "Port", "d"), "d");
    EXPECT_EQ(ReadSettingsItem(file, "", "Port", "d"), "");
    EXPECT_EQ(ReadSettingsItem(file, "KZRT", "", "d"), "");
    EXPECT_EQ(ReadSettingsItem(file, "KZRT", "A"), ascii.substr(0, 10239));
    EXPECT_EQ(ReadSettingsItem(file, "KZRT", "W"), std::string(10238, 'a'));
}

TEST_F(FilesTest, SettingsWritesReplaceTheFileWholeKeepingTheRestAndTheLineEnds)
{
    const std::string original = "; user notes\n[KZRT]\nPort=1\nBaud=2400\n\n[Other]\nkey=v\n";
    write("s.ini", original);
    std::ifstream reader(m_directory / "s.ini", std::ios::binary);
    const Text file = path("s.ini");
    ASSERT_TRUE(WriteSettingsItem(file, "kzrt", "PORT", "3"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), original);  // never a mix
    ASSERT_TRUE(WriteSettingsItem(file, "KZRT", "Graph", "0"));
    ASSERT_TRUE(WriteSettingsItem(file, "KZRT", "Baud", std::nullopt));
    EXPECT_EQ(read("s.ini"), "; user notes\n[KZRT]\nPort=3\nGraph=0\n\n[Other]\nkey=v\n");
    ASSERT_TRUE(WriteSettingsItem(file, "Other", std::nullopt, std::nullopt));
    EXPECT_EQ(read("s.ini"), "; user notes\n[KZRT]\nPort=3\nGraph=0\n\n");
}

}  // namespace
}  // namespace runtime
