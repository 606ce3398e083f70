#include "runtime/program_paths.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/texts.h"

namespace runtime {
namespace {

struct ModulePathCase {
    Text modulePath;
    Text directory;
    Text fileName;
};

TEST(ProgramPathsTest, CutsTheModulePathAtItsLastSeparator)
{
    const ModulePathCase cases[] = {
        {"/opt/kzrt/Meter.EXE", "/opt/kzrt", "Meter.EXE"},
        {"/kzrt", "", "kzrt"},
        {"kzrt", "", "kzrt"},
        {Gbk("/home/用户/电表/my.exe.tool.exe"), Gbk("/home/用户/电表"), "my.exe.tool.exe"},
    };
    for (const auto& c : cases) {
        SetModulePath(c.modulePath);
        EXPECT_EQ(ProgramDirectory(), c.directory);
        EXPECT_EQ(ExecutableFileName(), c.fileName);
    }
    // The settings file's name: every ".exe" removed, whatever its case.
    SetModulePath("/x/my.exe.tool.EXE");
    EXPECT_EQ(ReplaceSubtext(ExecutableFileName(), ".exe", "", 1, -1, false) + ".ini", "my.tool.ini");
    SetModulePath(DetectModulePath());
}

TEST(ProgramPathsTest, DetectsThisExecutable)
{
    const Text detected = DetectModulePath();
    EXPECT_EQ(detected, GbkFromUtf8(std::filesystem::canonical("/proc/self/exe").string()));
    SetModulePath(detected);
    EXPECT_EQ(ExecutableFileName(), "runtime_test");
}

TEST(ProgramPathsTest, CurrentDirectoryHasNoTrailingSeparator)
{
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path("/");
    EXPECT_EQ(CurrentDirectory(), "");
    std::filesystem::current_path("/tmp");
    EXPECT_EQ(CurrentDirectory(), GbkFromUtf8(std::filesystem::current_path().string()));
    std::filesystem::current_path(saved);
}

}  // namespace
}  // namespace runtime
