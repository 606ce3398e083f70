#include "app/home_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <type_traits>
#include <vector>

#include "runtime/program_paths.h"

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
    HomeFolder() : root(fs::path(m_tmp.path().toStdU16String()).make_preferred()), m_oldDir(fs::current_path()) {
        fs::current_path(root);
    }
    ~HomeFolder() override {
        fs::current_path(m_oldDir);
        setHome(m_oldHome);
    }

    static void setHome(const fs::path& home) {
#ifdef _WIN32
        SetEnvironmentVariableW(L"USERPROFILE", home.empty() ? nullptr : home.c_str());
#else
        if (home.empty()) {
            unsetenv("HOME");
        } else {
            setenv("HOME", home.c_str(), 1);
        }
#endif
    }

    QTemporaryDir m_tmp;
    fs::path root;

private:
    fs::path m_oldDir;
    fs::path m_oldHome = runtime::HomeDirectory();
};

// Whatever is wrong with the home, the console starts where it was started
// and nothing is created outside the home.
TEST_F(HomeFolder, AHomeThatTakesNoFolderLeavesTheWorkingDirectory) {
    fs::create_directory(root / "file-home");
    std::ofstream(root / "file-home" / "KZRT") << "not a folder";
    std::ofstream(root / "plain-file") << "x";
    const struct {
        const char* name;
        fs::path home;
    } cases[] = {
        {"unset", fs::path()},
        {"relative", "relative-home"},
        {"missing", root / "missing"},
        {"a file", root / "plain-file"},
        {"KZRT is a file", root / "file-home"},
        // A home that takes no new entries, even from root.
        {"read-only", "/proc"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(app::enterHomeFolder(c.home)) << c.name;
        EXPECT_EQ(fs::current_path(), root) << c.name;
    }
    EXPECT_FALSE(fs::exists(root / "missing"));
    EXPECT_FALSE(fs::exists(root / "relative-home"));
}

// HOME is taken as the system holds it: a home named in a script GBK lacks,
// or (on Linux) in bytes that are no UTF-8, is entered, and the folder with
// the GBK-mangled spelling beside it is never touched.
TEST_F(HomeFolder, FirstStartCreatesTheFolderLaterStartsReuseIt) {
    std::vector<fs::path> homes = {root / "home", root / u8"jörg-한글"};
    if constexpr (std::is_same_v<fs::path::value_type, char>) homes.push_back(root / std::string("j\xF6rg"));
#ifndef _WIN32
    fs::create_directory(root / "j?rg-??");
#endif
    for (const fs::path& home : homes) {
        fs::create_directory(home);
        setHome(home);
        ASSERT_TRUE(app::enterHomeFolder(runtime::HomeDirectory())) << home;
        EXPECT_EQ(fs::current_path().native(), (home / "KZRT").native());

        std::ofstream(home / "KZRT" / "kzrt-console.ini") << "[KZRT]\r\nPort=3\r\n";
        fs::current_path(root);
        ASSERT_TRUE(app::enterHomeFolder(runtime::HomeDirectory())) << home;
        EXPECT_EQ(fs::current_path().native(), (home / "KZRT").native());
        EXPECT_TRUE(fs::exists("kzrt-console.ini"));
        fs::current_path(root);
    }
#ifndef _WIN32
    EXPECT_TRUE(fs::is_empty(root / "j?rg-??"));
#endif
}

}  // namespace
