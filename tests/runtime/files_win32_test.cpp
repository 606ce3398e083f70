// What only Windows shows: the read-only attribute, and the journal that an
// in-place rewrite leaves when its process is killed half way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "runtime/file_numbers.h"
#include "runtime/settings_store.h"
#include "runtime/native_file.h"
#include "tests/runtime/files_fixture.h"

namespace runtime {
namespace {

using testing::FilesTest;

void MakeReadOnly(const std::filesystem::path& path)
{
    std::filesystem::permissions(path, std::filesystem::perms::all & ~std::filesystem::perms::owner_write &
                                           ~std::filesystem::perms::group_write &
                                           ~std::filesystem::perms::others_write);
}

TEST_F(FilesTest, AFileTheUserMadeReadOnlyIsNeverRewritten)
{
    write("day.csv", "header\r\n");
    write("s.ini", "[KZRT]\r\nPort=1\r\n");
    const int number = open("day.csv", 3, 3);
    ASSERT_NE(number, 0);
    MakeReadOnly(path("day.csv"));
    MakeReadOnly(path("s.ini"));
    std::ifstream reader(path("day.csv"), std::ios::binary);  // forces the in-place road

    MoveFilePosition(number, 1, 8);
    EXPECT_FALSE(InsertText(number, {"row\r\n"}));
    EXPECT_FALSE(WriteSettingsItem(path("s.ini"), "KZRT", "Port", "2"));
    EXPECT_EQ(read("day.csv"), "header\r\n");
    EXPECT_EQ(read("s.ini"), "[KZRT]\r\nPort=1\r\n");
    EXPECT_EQ(entryCount(), 2u);
    std::filesystem::permissions(path("day.csv"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    std::filesystem::permissions(path("s.ini"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

// A process killed during an in-place rewrite leaves the target torn and the
// complete new content in the journal; whatever touches the name next puts
// the new content in place, even past a reader that forbids deleting.
TEST_F(FilesTest, AnInterruptedRewriteIsFinishedFromItsJournalByTheNextUse)
{
    const std::string complete = "[KZRT]\r\nPort=2\r\nBaud=2400\r\n";
    const std::pair<const char*, std::function<void()>> nextUses[] = {
        {"settings read", [&] { EXPECT_EQ(ReadSettingsItem(path("s.ini"), "KZRT", "Baud"), "2400"); }},
        {"open", [&] { EXPECT_NE(open("s.ini", 1, 3), 0); }},
        {"settings write",
         [&] { EXPECT_TRUE(WriteSettingsItem(path("s.ini"), "KZRT", "Graph", "0")); }},
    };
    for (const auto& [use, run] : nextUses) {
        write("s.ini", "[KZRT]\r\nPort=1\r\nBa");  // torn
        write("s.ini.kzrt-redo", complete);
        {
            std::ifstream reader(path("s.ini"), std::ios::binary);
            run();
        }
        const std::string content = read("s.ini");
        EXPECT_EQ(content.substr(0, complete.size()), complete) << use;
        EXPECT_FALSE(std::filesystem::exists(path("s.ini.kzrt-redo"))) << use;
        for (int number : m_opened) CloseFile(number);
        m_opened.clear();
    }
}

// An in-place rewrite stopped half way (another program's byte-range lock,
// or a full disk) leaves the file torn and its journal complete. While another
// program still keeps the journal from being applied, the file is neither
// opened nor read, and nothing takes the journal's place; once it lets go,
// the next use applies it. (wine does not enforce byte-range locks against
// writes, so the holder here also denies writing, which wine does enforce.)
TEST_F(FilesTest, AJournalThatCannotBeAppliedKeepsTheFileShutAndIsNeverOverwritten)
{
    const std::string complete = "header\r\nrow 2\r\nrow 1\r\n";
    write("day.csv", "header\r\nrow 2\r\nro");
    write("day.csv.kzrt-redo", complete);
    {
        testing::RunningChild holder(testing::HelperBesideTest("runtime_files_child"),
                                     {"lock", testing::Utf8Of(path("day.csv"))});
        for (int wait = 0; wait < 20000 && !std::filesystem::exists(path("day.csv.locked")); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(std::filesystem::exists(path("day.csv.locked"))) << "the holder did not lock the file";
        EXPECT_TRUE(FileRewriteUnfinished(path("day.csv")));
        EXPECT_EQ(OpenFile(path("day.csv"), 1, 1), 0);
        EXPECT_FALSE(ReadWholeFile(path("day.csv")));
        EXPECT_FALSE(ReplaceWholeFile(path("day.csv"), "something else"));
        EXPECT_EQ(read("day.csv.kzrt-redo"), complete) << "the journal was replaced";
        ASSERT_TRUE(holder.kill());
    }
    EXPECT_EQ(ReadWholeFile(path("day.csv")), complete);
    EXPECT_FALSE(FileRewriteUnfinished(path("day.csv")));
}

}  // namespace
}  // namespace runtime
