#include "runtime/program_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
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

}  // namespace
}  // namespace runtime
