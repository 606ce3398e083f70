#include <windows.h>

#include <string>

#include "runtime/gbk_wide_win32.h"
#include "runtime/program_paths.h"

namespace runtime {

Text CurrentDirectory()
{
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return ".";
    std::wstring directory(needed, L'\0');
    const DWORD length = GetCurrentDirectoryW(needed, directory.data());
    directory.resize(length);
    if (!directory.empty() && directory.back() == L'\\') directory.pop_back();
    return GbkFromWide(directory);
}

// Access rights on Windows come from ACLs that no attribute shows, so the
// question is put to the file system: a probe file that vanishes on closing.
bool DirectoryWritable(std::string_view directory)
{
    const std::wstring path = WideFromGbk(directory);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    const std::wstring probe = path + L"\\kzrt-write-probe-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
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
