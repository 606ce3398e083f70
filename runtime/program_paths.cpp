#include "runtime/program_paths.h"

#include <atomic>
#include <mutex>
#include <optional>

namespace runtime {
namespace {

std::mutex g_modulePathMutex;
std::optional<Path> g_modulePath;
std::atomic<bool> g_recordingsInWorkingDirectory{false};

Path ModulePath()
{
    const std::lock_guard lock(g_modulePathMutex);
    if (!g_modulePath) g_modulePath = DetectModulePath();
    return *g_modulePath;
}

}  // namespace

void SetModulePath(const Path& modulePath)
{
    const std::lock_guard lock(g_modulePathMutex);
    g_modulePath = modulePath;
}

Path ProgramDirectory() { return ModulePath().parent_path(); }

Path ExecutableFileName() { return ModulePath().filename(); }

void KeepRecordingsInWorkingDirectory(bool keep) { g_recordingsInWorkingDirectory = keep; }

Path RecordingDirectory()
{
    if (g_recordingsInWorkingDirectory) return CurrentDirectory();
    Path directory = ProgramDirectory();
    return DirectoryWritable(directory) ? directory : CurrentDirectory();
}

}  // namespace runtime
