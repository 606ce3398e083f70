// What only POSIX file systems show: a replaced file's permissions and
// symbolic links, and readers that keep the old file after a rename.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "runtime/file_numbers.h"
#include "runtime/settings_store.h"
#include "tests/runtime/files_fixture.h"

namespace runtime {
namespace {

using testing::FilesTest;
using testing::Utf8Of;

TEST_F(FilesTest, ReplacingKeepsLockPermissionsLinksAndEarlierReadersView)
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
    const std::string settings = "[KZRT]\nPort=1\n";
    write("s.ini", settings);
    std::ifstream settingsReader(path("s.ini"), std::ios::binary);
    ASSERT_TRUE(WriteSettingsItem(path("s.ini"), "KZRT", "Port", "3"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(settingsReader), {}), settings);
    EXPECT_EQ(read("target.csv"), "01234ab56789");
    EXPECT_TRUE(std::filesystem::is_symlink(m_directory / "link.csv"));
    EXPECT_EQ(std::filesystem::status(m_directory / "target.csv").permissions(),
              std::filesystem::perms(0640));
    EXPECT_EQ(otherProcessOpens("target.csv", 3, 3), 1) << "the replaced file must carry the lock";
}

TEST_F(FilesTest, InsertTextRefusesAFileDeletedAndMadeAnew)
{
    write("f", "old");
    const int number = open("f", 3, 1);
    ASSERT_NE(number, 0);
    std::filesystem::remove(path("f"));
    write("f", "someone else's");
    EXPECT_FALSE(InsertText(number, {"x"}));
    EXPECT_EQ(read("f"), "someone else's");
    EXPECT_EQ(entryCount(), 1u);
}

}  // namespace
}  // namespace runtime
