#include "runtime/program_paths.h"

#include <mutex>
#include <optional>

#include "runtime/files.h"

namespace runtime {
namespace {

std::mutex g_modulePathMutex;
std::optional<Text> g_modulePath;

Text ModulePath()
{
    const std::lock_guard lock(g_modulePathMutex);
    if (!g_modulePath) g_modulePath = DetectModulePath();
    return *g_modulePath;
}

// Offset of the last separator, or npos. Scanning from the front keeps the
// two-byte characters whole.
std::size_t LastSeparator(std::string_view path)
{
    const char separator = PathSeparator()[0];
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == separator) {
            last = i;
        } else if (IsLeadByte(static_cast<unsigned char>(path[i]))) {
            ++i;
        }
    }
    return last;
}

}  // namespace

void SetModulePath(std::string_view modulePath)
{
    const std::lock_guard lock(g_modulePathMutex);
    g_modulePath = Text(modulePath);
}

Text ProgramDirectory()
{
    const Text path = ModulePath();
    const std::size_t cut = LastSeparator(path);
    return cut == Text::npos ? Text() : path.substr(0, cut);
}

Text RecordingDirectory()
{
    Text directory = ProgramDirectory();
    return DirectoryWritable(directory) ? directory : CurrentDirectory();
}

Text ExecutableFileName()
{
    const Text path = ModulePath();
    const std::size_t cut = LastSeparator(path);
    return cut == Text::npos ? path : path.substr(cut + 1);
}

}  // namespace runtime
