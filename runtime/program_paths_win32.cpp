#include <windows.h>

#include <string>

#include "runtime/program_paths.h"

namespace runtime {
namespace {

// The wide API keeps every character; code page 936 is the text's own encoding.
Text GbkFromWide(const std::wstring& wide)
{
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(936, 0, wide.data(), size, nullptr, 0, "?", nullptr);
    Text text(static_cast<std::size_t>(length), '\0');
    if (length > 0) WideCharToMultiByte(936, 0, wide.data(), size, text.data(), length, "?", nullptr);
    return text;
}

}  // namespace

Text CurrentDirectory()
{
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return Text();
    std::wstring directory(needed, L'\0');
    const DWORD length = GetCurrentDirectoryW(needed, directory.data());
    directory.resize(length);
    if (!directory.empty() && directory.back() == L'\\') directory.pop_back();
    return GbkFromWide(directory);
}

Text DetectModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return Text();
        if (length < path.size()) {
            path.resize(length);
            return GbkFromWide(path);
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace runtime
