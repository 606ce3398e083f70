#include <windows.h>

#include <string>

#include "runtime/program_paths.h"

namespace runtime {

Path CurrentDirectory()
{
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return ".";
    std::wstring directory(needed, L'\0');
    directory.resize(GetCurrentDirectoryW(needed, directory.data()));
    return Path(std::move(directory));
}

// Access rights on Windows come from ACLs that no attribute shows, so the
// question is put to the file system: a probe file that vanishes on closing.
bool DirectoryWritable(const Path& directory)
{
    const DWORD attributes = GetFileAttributesW(directory.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    const Path probe = directory / (L"kzrt-write-probe-" + std::to_wstring(GetCurrentProcessId()) + L".tmp");
    const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

Path DetectModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return Path();
        if (length < path.size()) {
            path.resize(length);
            return Path(std::move(path));
        }
        path.resize(path.size() * 2);
    }
}

// The user's profile folder (C:\Users\NAME), where a user's own files go on
// Windows; HOME is only set by POSIX-style shells there, and may point
// anywhere.
Path HomeDirectory()
{
    const DWORD needed = GetEnvironmentVariableW(L"USERPROFILE", nullptr, 0);
    if (needed == 0) return Path();
    std::wstring home(needed, L'\0');
    home.resize(GetEnvironmentVariableW(L"USERPROFILE", home.data(), needed));
    return Path(std::move(home));
}

}  // namespace runtime
