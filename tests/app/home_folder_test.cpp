#include "app/home_folder.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

TEST(HomeFolderTest, OnlyTheExactOptionAsksForTheHomeFolder) {
    const struct {
        std::vector<const char*> args;
        bool wanted;
    } cases[] = {
        {{"kzrt-console"}, false},
        {{"kzrt-console", "--home-folder"}, true},
        {{"kzrt-console", "-style", "fusion", "--home-folder"}, true},
        {{"kzrt-console", "--home-folder=1"}, false},
        {{"kzrt-console", "--HOME-FOLDER"}, false},
        // The program's own name is never an option.
        {{"--home-folder"}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app::wantsHomeFolder(int(c.args.size()), c.args.data()), c.wanted) << c.args.back();
    }
}

class HomeFolder : public ::testing::Test {
protected:
    HomeFolder() : root(fs::path(m_tmp.path().toStdString())), m_oldDir(fs::current_path()) {
        fs::current_path(root);
    }
    ~HomeFolder() override { fs::current_path(m_oldDir); }

    QTemporaryDir m_tmp;
    fs::path root;

private:
    fs::path m_oldDir;
};

// Whatever is wrong with the home, the console starts where it was started
// and nothing is created outside the home.
TEST_F(HomeFolder, AHomeThatTakesNoFolderLeavesTheWorkingDirectory) {
    fs::create_directory(root / "file-home");
    std::ofstream(root / "file-home" / "KZRT") << "not a folder";
    std::ofstream(root / "plain-file") << "x";
    const struct {
        const char* name;
        QString home;
    } cases[] = {
        {"unset", QString()},
        {"relative", QStringLiteral("relative-home")},
        {"missing", QString::fromStdString((root / "missing").string())},
        {"a file", QString::fromStdString((root / "plain-file").string())},
        {"KZRT is a file", QString::fromStdString((root / "file-home").string())},
        // A home that takes no new entries, even from root.
        {"read-only", QStringLiteral("/proc")},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(app::enterHomeFolder(c.home)) << c.name;
        EXPECT_EQ(fs::current_path(), root) << c.name;
    }
    EXPECT_FALSE(fs::exists(root / "missing"));
    EXPECT_FALSE(fs::exists(root / "relative-home"));
}

TEST_F(HomeFolder, FirstStartCreatesTheFolderLaterStartsReuseIt) {
    const fs::path home = root / "home";
    fs::create_directory(home);
    ASSERT_TRUE(app::enterHomeFolder(QString::fromStdString(home.string())));
    EXPECT_EQ(fs::current_path(), home / "KZRT");

    std::ofstream(home / "KZRT" / "kzrt-console.ini") << "[KZRT]\r\nPort=3\r\n";
    fs::current_path(root);
    ASSERT_TRUE(app::enterHomeFolder(QString::fromStdString(home.string())));
    EXPECT_EQ(fs::current_path(), home / "KZRT");
    EXPECT_TRUE(fs::exists("kzrt-console.ini"));
}

}  // namespace
