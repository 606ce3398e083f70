#include "runtime/program_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

namespace runtime {
namespace {

TEST(ProgramPathsTest, CutsTheModulePathAtItsLastSeparatorAndDetectsThisExecutable)
{
    const std::tuple<Text, Text, Text> cases[] = {
        {"/opt/kzrt/Meter.EXE", "/opt/kzrt", "Meter.EXE"},
        {"kzrt", "", "kzrt"},
        {Gbk("/home/用户/电表/my.exe.tool.exe"), Gbk("/home/用户/电表"), "my.exe.tool.exe"},
    };
    for (const auto& [modulePath, directory, fileName] : cases) {
        SetModulePath(modulePath);
        EXPECT_EQ(ProgramDirectory(), directory);
        EXPECT_EQ(ExecutableFileName(), fileName);
    }
    const Text detected = DetectModulePath();
    EXPECT_EQ(detected, GbkFromUtf8(std::filesystem::canonical("/proc/self/exe").string()));
    SetModulePath(detected);
    EXPECT_EQ(ExecutableFileName(), "runtime_test");

    // The current directory has no trailing separator either.
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path("/");
    EXPECT_EQ(CurrentDirectory(), "");
    std::filesystem::current_path("/tmp");
    EXPECT_EQ(CurrentDirectory(), GbkFromUtf8(std::filesystem::current_path().string()));
    std::filesystem::current_path(saved);
}

}  // namespace
}  // namespace runtime
