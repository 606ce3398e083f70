// What only Windows shows: the read-only attribute, and the journal that an
// in-place rewrite leaves when its process is killed half way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "runtime/files.h"
#include "runtime/settings_store.h"
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

}  // namespace
}  // namespace runtime
