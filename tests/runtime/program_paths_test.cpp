#include "runtime/program_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <type_traits>

#include "runtime/file_numbers.h"

namespace runtime {
namespace {

namespace fs = std::filesystem;

// A name as the system stores it, from UTF-8 source text.
Path Native(std::u8string_view utf8) { return Path(utf8).make_preferred(); }

constexpr bool kByteNames = std::is_same_v<Path::value_type, char>;

// "乗" is 81 5C in GBK: were the name a GBK text, its trail byte would read
// as a backslash. "ö" and Hangul are not in GBK at all.
TEST(ProgramPathsTest, CutsTheModulePathAtItsLastSeparatorAndDetectsThisExecutable)
{
    const struct {
        Path modulePath, directory, fileName;
    } cases[] = {
        {Native(u8"/opt/kzrt/Meter.EXE"), Native(u8"/opt/kzrt"), u8"Meter.EXE"},
        {Native(u8"/home/jörg-한글/电表/my.exe.tool.exe"), Native(u8"/home/jörg-한글/电表"), u8"my.exe.tool.exe"},
        {Native(u8"/表乗/a乗.exe"), Native(u8"/表乗"), u8"a乗.exe"},
        {Native(u8"/kzrt"), Native(u8"/"), u8"kzrt"},
    };
    for (const auto& c : cases) {
        SetModulePath(c.modulePath);
        EXPECT_EQ(ProgramDirectory().native(), c.directory.native());
        EXPECT_EQ(ExecutableFileName().native(), c.fileName.native());
    }
    const Path detected = DetectModulePath();
    SetModulePath(detected);
    EXPECT_EQ(ExecutableFileName(), KZRT_TEST_EXECUTABLE);
    EXPECT_TRUE(FileExists(detected)) << detected;
    EXPECT_TRUE(detected.is_absolute()) << detected;
}

// The working directory comes back exactly as the system names it, whatever
// script its name is in, and in bytes that are no UTF-8 at all on Linux.
TEST(ProgramPathsTest, CurrentDirectoryIsTheSystemsOwnName)
{
    const Path saved = fs::current_path();
    const Path base = fs::temp_directory_path() / ("kzrt-cwd-" + std::to_string(::getpid()));
    std::vector<Path> names = {fs::current_path().root_path(), base / u8"jörg-한글"};
    // '?' is no file name character on Windows.
    if constexpr (kByteNames) names.insert(names.end(), {base / "J?rg", base / std::string("caf\xE9-\xFF")});
    for (const Path& name : names) {
        fs::create_directories(name);
        fs::current_path(name);
        EXPECT_EQ(CurrentDirectory().native(), name.native());
    }
    fs::current_path(saved);
    fs::remove_all(base);
}

// Day files go to the program directory when it takes files, else to the
// working directory. Root may write anywhere but on a read-only mount, so the
// unwritable cases are ones that hold for every user.
TEST(ProgramPathsTest, RecordingDirectoryFallsBackToTheWorkingDirectory)
{
    const Path saved = fs::current_path();
    const Path base = fs::temp_directory_path() / ("kzrt-paths-" + std::to_string(::getpid()));
    fs::create_directories(base / u8"jörg-한글");
    fs::create_directories(base / "work");
    std::ofstream(base / "a-file") << "x";
    fs::current_path(base / "work");

    const struct {
        const char* name;
        Path programDirectory;
        bool writable;
    } cases[] = {
        {"writable", base / u8"jörg-한글", true},
        {"missing", base / u8"jörg-한글-missing", false},
        {"a file", base / "a-file", false},
#ifndef _WIN32
        {"read-only mount", "/proc", false},
#endif
    };
    for (const auto& c : cases) {
        SetModulePath(c.programDirectory / "kzrt-console");
        EXPECT_EQ(DirectoryWritable(c.programDirectory), c.writable) << c.name;
        EXPECT_EQ(RecordingDirectory(), c.writable ? c.programDirectory : base / "work") << c.name;
        // Started with a folder of its own, whatever the program directory allows.
        KeepRecordingsInWorkingDirectory(true);
        EXPECT_EQ(RecordingDirectory(), base / "work") << c.name;
        KeepRecordingsInWorkingDirectory(false);
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
    const Path saved = fs::current_path();
    const Path gone = fs::temp_directory_path() / ("kzrt-gone-" + std::to_string(::getpid()));
    fs::create_directory(gone);
    fs::current_path(gone);
    fs::remove(gone);

    EXPECT_EQ(CurrentDirectory(), ".");
    EXPECT_FALSE(DirectoryWritable(CurrentDirectory()));
    SetModulePath("/proc/kzrt-console");
    EXPECT_EQ(RecordingDirectory(), ".");
    EXPECT_FALSE(std::ofstream(RecordingDirectory() / "KZRT2015125.csv").is_open());
    fs::current_path(saved);
}

TEST(NativePathTest, ExeIsRemovedFromTheSystemsOwnName)
{
    const struct {
        Path name, without;
    } cases[] = {
        {u8"my.exe.tool.EXE", u8"my.tool"},
        {u8"jörg-한글.Exe", u8"jörg-한글"},
        {u8"電.exe.exe", u8"電"},
        {u8"kzrt-console", u8"kzrt-console"},
        {u8"a.ex", u8"a.ex"},
    };
    for (const auto& c : cases) EXPECT_EQ(WithoutAscii(c.name, ".exe").native(), c.without.native()) << c.name;
    EXPECT_EQ(AsciiName("KZRT2015125.csv").native(), Path(u8"KZRT2015125.csv").native());
}

// Shown in a text, what GBK lacks becomes U+FFFD, never the '?' of a real
// folder named "J?rg".
TEST(NativePathTest, DisplayKeepsWhatGbkHasAndReplacesTheRest)
{
    const struct {
        Path name;
        const char8_t* shown;
    } cases[] = {
        {u8"/home/jörg-한글/KZRT", u8"/home/j\uFFFDrg-\uFFFD\uFFFD/KZRT"},
        {u8"/数据/电表/ü", u8"/数据/电表/ü"},
        {u8"/home/J?rg", u8"/home/J?rg"},
        {u8"😀.csv", u8"\uFFFD.csv"},
        {u8"", u8""},
    };
    for (const auto& c : cases) {
        const std::u8string shown(c.shown);
        EXPECT_EQ(DisplayUtf8(c.name), std::string(shown.begin(), shown.end())) << c.name;
    }
    if constexpr (kByteNames) {
        EXPECT_EQ(DisplayUtf8(Path(std::string("caf\xE9-\xFF\xC3"))), "caf\uFFFD-\uFFFD\uFFFD");
    } else {
        EXPECT_EQ(DisplayUtf8(Path(std::wstring{L'a', wchar_t(0xD800), L'b'})), "a\uFFFDb");
    }
}

}  // namespace
}  // namespace runtime
