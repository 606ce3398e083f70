#include "runtime/program_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "runtime/files.h"
#include "runtime/texts.h"

namespace runtime {
namespace {

// `path` with each '|' turned into this platform's separator.
Text Native(std::string_view path) { return ReplaceSubtext(Text(path), "|", Text(PathSeparator())); }

Text GbkPath(const std::filesystem::path& path)
{
    const std::u8string utf8 = path.u8string();
    return GbkFromUtf8(std::string(utf8.begin(), utf8.end()));
}

TEST(ProgramPathsTest, CutsTheModulePathAtItsLastSeparatorAndDetectsThisExecutable)
{
    // "乗" is 81 5C in GBK: its trail byte is a backslash, never a separator.
    const std::tuple<Text, Text, Text> cases[] = {
        {"|opt|kzrt|Meter.EXE", "|opt|kzrt", "Meter.EXE"},
        {"kzrt", "", "kzrt"},
        {Gbk("|home|用户|电表|my.exe.tool.exe"), Gbk("|home|用户|电表"), "my.exe.tool.exe"},
        {Gbk("|表乗|a乗.exe"), Gbk("|表乗"), Gbk("a乗.exe")},
    };
    for (const auto& [modulePath, directory, fileName] : cases) {
        SetModulePath(Native(modulePath));
        EXPECT_EQ(ProgramDirectory(), Native(directory));
        EXPECT_EQ(ExecutableFileName(), fileName);
    }
    const Text detected = DetectModulePath();
    SetModulePath(detected);
    EXPECT_EQ(ExecutableFileName(), KZRT_TEST_EXECUTABLE);
    EXPECT_TRUE(FileExists(detected)) << detected;
    EXPECT_TRUE(std::filesystem::path(Utf8FromGbk(detected)).is_absolute()) << detected;
}

TEST(ProgramPathsTest, CurrentDirectoryHasNoTrailingSeparator)
{
    const auto saved = std::filesystem::current_path();
    const auto root = saved.root_path();
    std::filesystem::current_path(root);
    Text rootText = GbkPath(root);
    if (rootText.ends_with(PathSeparator())) rootText.pop_back();
    EXPECT_EQ(CurrentDirectory(), rootText);  // "" on POSIX, "C:" on Windows
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    EXPECT_EQ(CurrentDirectory(), GbkPath(std::filesystem::current_path()));
    std::filesystem::current_path(saved);
}

// Day files go to the program directory when it takes files, else to the
// working directory. Root may write anywhere but on a read-only mount, so the
// unwritable cases are ones that hold for every user.
TEST(ProgramPathsTest, RecordingDirectoryFallsBackToTheWorkingDirectory)
{
    namespace fs = std::filesystem;
    const fs::path saved = fs::current_path();
    const fs::path base = fs::temp_directory_path() / ("kzrt-paths-" + std::to_string(::getpid()));
    fs::create_directories(base / "program");
    fs::create_directories(base / "work");
    std::ofstream(base / "a-file") << "x";
    fs::current_path(base / "work");
    const Text work = GbkFromUtf8((base / "work").string());

    const struct {
        const char* name;
        fs::path programDirectory;
        bool writable;
    } cases[] = {
        {"writable", base / "program", true},
        {"missing", base / "missing", false},
        {"a file", base / "a-file", false},
#ifndef _WIN32
        {"read-only mount", "/proc", false},
#endif
    };
    for (const auto& c : cases) {
        const Text directory = GbkFromUtf8(c.programDirectory.string());
        SetModulePath(JoinTexts({directory, PathSeparator(), "kzrt-console"}));
        EXPECT_EQ(DirectoryWritable(directory), c.writable) << c.name;
        EXPECT_EQ(RecordingDirectory(), c.writable ? directory : work) << c.name;
    }
    fs::current_path(saved);
    fs::remove_all(base);
}

// A working directory deleted under the process: names joined to it must not
// land in the root directory, and nothing can be created there.
TEST(ProgramPathsTest, ADeletedWorkingDirectoryIsNeverTheRoot)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows does not let a process's working directory be deleted";
#endif
    namespace fs = std::filesystem;
    const fs::path saved = fs::current_path();
    const fs::path gone = fs::temp_directory_path() / ("kzrt-gone-" + std::to_string(::getpid()));
    fs::create_directory(gone);
    fs::current_path(gone);
    fs::remove(gone);

    EXPECT_EQ(CurrentDirectory(), ".");
    EXPECT_FALSE(DirectoryWritable(CurrentDirectory()));
    SetModulePath("/proc/kzrt-console");
    EXPECT_EQ(RecordingDirectory(), ".");
    EXPECT_FALSE(std::ofstream(RecordingDirectory() + "/KZRT2015125.csv").is_open());
    fs::current_path(saved);
}

}  // namespace
}  // namespace runtime
