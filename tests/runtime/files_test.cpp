// File numbers, insertion and the settings file: the behaviour both builds share.
#include "runtime/file_numbers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <thread>

#include "runtime/native_file.h"
#include "runtime/settings_store.h"
#include "tests/runtime/files_fixture.h"
#include "tests/runtime/numbered_row.h"

namespace runtime {
namespace {

using testing::FilesTest;
using testing::Utf8Of;

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

TEST_F(FilesTest, WriteToFileCreatesTruncatesAndConcatenatesUnderNamesInAnyScript)
{
    EXPECT_FALSE(WriteToFile("", {"x"}));
    EXPECT_FALSE(WriteToFile(path("no-such-dir/f"), {"x"}));
    // "ö" and Hangul are not in GBK: the names must never pass through it.
    for (const char* name : {"记录.csv", "jörg-한글.csv"}) {
        ASSERT_TRUE(WriteToFile(path(name), {Gbk("电压"), "", "de"})) << name;
        EXPECT_TRUE(FileExists(path(name))) << name;
        EXPECT_EQ(read(name), Gbk("电压") + "de");  // the content is GBK, the name the system's own
        ASSERT_TRUE(WriteToFile(path(name), {""})) << name;
        EXPECT_EQ(read(name), "") << name;
    }
    EXPECT_EQ(entryCount(), 2u);
}

TEST_F(FilesTest, ALockHeldElsewhereMakesOpenFail)
{
    write("day.csv", "header");
    const Path name = path("day.csv");
    const int holder = open("day.csv", 3, 3);
    ASSERT_NE(holder, 0);

    // Another process: the denying shares fail, share 1 asks for no lock.
    EXPECT_EQ(otherProcessOpens("day.csv", 3, 3), 1);
    EXPECT_EQ(otherProcessOpens("day.csv", 1, 4), 1);
    EXPECT_EQ(otherProcessOpens("day.csv", 1, 1), 0);
    // WriteToFile is exclusive: it fails and leaves the content alone.
    EXPECT_EQ(inOtherProcess({"write", Utf8Of(path("day.csv")), "x"}), 1);

    // Another file number of this process is another holder too.
    EXPECT_EQ(OpenFile(name, 3, 2), 0);
    EXPECT_EQ(OpenFile(name, 4, 3), 0);
    EXPECT_EQ(read("day.csv"), "header");

    CloseFile(holder);
    m_opened.clear();
    EXPECT_EQ(otherProcessOpens("day.csv", 3, 3), 0);
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

// Viewers, editors and plain ifstreams keep the file open for reading and
// writing, but not for deleting, which on Windows stops any rename.
TEST_F(FilesTest, AReaderThatAllowsWritingNeverCostsRowsOrSettings)
{
    write("day.csv", "header\r\n");
    write("s.ini", "[KZRT]\r\nPort=1\r\n");
    std::ifstream rowsReader(path("day.csv"), std::ios::binary);
    std::ifstream settingsReader(path("s.ini"), std::ios::binary);
    const int number = open("day.csv", 3, 3);
    ASSERT_NE(number, 0);
    for (const char* row : {"row1\r\n", "row2\r\n", "row3\r\n"}) {
        MoveFilePosition(number, 1, 8);
        ASSERT_TRUE(InsertText(number, {row})) << row;
    }
    WriteTextLine(number, {"!"});  // the position follows the last insertion
    EXPECT_EQ(read("day.csv"), "header\r\nrow3\r\n!\r\n2\r\nrow1\r\n");
    EXPECT_EQ(otherProcessOpens("day.csv", 3, 3), 1) << "the file must still carry the lock";

    ASSERT_TRUE(WriteSettingsItem(path("s.ini"), "KZRT", "Port", "2"));
    ASSERT_TRUE(WriteSettingsItem(path("s.ini"), "KZRT", "Baud", "2400"));
    EXPECT_EQ(read("s.ini"), "[KZRT]\r\nPort=2\r\nBaud=2400\r\n");
    EXPECT_EQ(entryCount(), 2u) << "a temporary file or a journal was left behind";
}

// An open file may be renamed away (Windows allows it to a holder that
// shares deleting); the name then leads to someone else's file.
TEST_F(FilesTest, InsertTextRefusesAFileMovedAsideAndMadeAnew)
{
    write("f", "old");
    const int number = open("f", 3, 1);
    ASSERT_NE(number, 0);
    std::filesystem::rename(path("f"), path("f.old"));
    write("f", "someone else's");
    EXPECT_FALSE(InsertText(number, {"x"}));
    EXPECT_EQ(read("f"), "someone else's");
    EXPECT_EQ(read("f.old"), "old");
    EXPECT_EQ(entryCount(), 2u);
}

// A writer killed at random moments while it inserts rows, with a viewer
// holding the file open all along (on Windows that forces every rewrite in
// place, through the journal), never leaves a torn file: the next use finds
// the header and whole rows, newest first, none lost, numbered without a gap.
TEST_F(FilesTest, AWriterKilledAtRandomNeverLeavesATornFile)
{
    constexpr int kKills = 60;
    constexpr long kSeedRows = 30000;  // about 390 KB: a torn rewrite is likely to be hit
    const std::string header = "header\r\n";
    std::string rows;
    for (long n = kSeedRows; n >= 1; --n) rows += testing::NumberedRow(n);
    write("day.csv", header + rows);
    std::ifstream viewer(path("day.csv"), std::ios::binary);
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> runMs(0, 40);
    long newest = kSeedRows;
    int journals = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        testing::RunningChild writer(testing::HelperBesideTest("runtime_files_child"),
                                     {"insert", Utf8Of(path("day.csv")), std::to_string(header.size())});
        ASSERT_TRUE(writer.started());
        for (int wait = 0; wait < 20000 && !std::filesystem::exists(path("day.csv.started")); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(std::filesystem::remove(path("day.csv.started"))) << "the writer did not start";
        std::this_thread::sleep_for(std::chrono::milliseconds(runMs(random)));
        ASSERT_TRUE(writer.kill()) << "the writer stopped by itself";
        journals += std::filesystem::exists(path("day.csv.kzrt-redo")) ? 1 : 0;

        const std::optional<std::string> content = ReadWholeFile(path("day.csv"));
        ASSERT_TRUE(content && content->starts_with(header)) << "kill " << kill;
        const long top = std::atol(content->c_str() + header.size() + 4);
        ASSERT_GE(top, newest) << "kill " << kill << ": a row is lost";
        for (long n = newest + 1; n <= top; ++n) rows.insert(0, testing::NumberedRow(n));
        newest = top;
        ASSERT_TRUE(*content == header + rows) << "kill " << kill << ": not the header and whole rows";
    }
    std::cout << kKills << " kills, " << newest - kSeedRows << " rows, " << journals << " journals\n";
    EXPECT_GT(newest, kSeedRows + kKills) << "the writers hardly got on: the kills proved nothing";
}

TEST_F(FilesTest, SettingsFileIsCreatedOnDemandAndNeverForgedOrReplacedWhenUnreadable)
{
    const Path file = path("s.ini");
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
    const Path settings = path("s.ini");
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
    // Windows refuses to delete a read-only file: leave the folder removable.
    CloseFile(number);
    std::filesystem::permissions(m_directory / "day.csv", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

TEST_F(FilesTest, SettingsReadsFallBackAndCutLongValuesLikeTheReadBuffer)
{
    const std::string ascii(20000, 'a');
    const std::string wide = std::string(10238, 'a') + "\xB5\xE7";  // 电 would end at byte 10240
    write("s.ini", "[KZRT]\nPort= 3 \nA=" + ascii + "\nW=" + wide + "\n");
    const Path file = path("s.ini");
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
    const Path file = path("s.ini");
    ASSERT_TRUE(WriteSettingsItem(file, "kzrt", "PORT", "3"));
    ASSERT_TRUE(WriteSettingsItem(file, "KZRT", "Graph", "0"));
    ASSERT_TRUE(WriteSettingsItem(file, "KZRT", "Baud", std::nullopt));
    EXPECT_EQ(read("s.ini"), "; user notes\n[KZRT]\nPort=3\nGraph=0\n\n[Other]\nkey=v\n");
    ASSERT_TRUE(WriteSettingsItem(file, "Other", std::nullopt, std::nullopt));
    EXPECT_EQ(read("s.ini"), "; user notes\n[KZRT]\nPort=3\nGraph=0\n\n");
}

}  // namespace
}  // namespace runtime
