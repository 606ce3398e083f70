#include <windows.h>

#include <string>

#include "runtime/gbk_wide_win32.h"
#include "runtime/program_paths.h"

namespace runtime {

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
