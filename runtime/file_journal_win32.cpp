#include "runtime/file_journal_win32.h"

#include <algorithm>
#include <vector>

namespace runtime::win32 {
namespace {

constexpr DWORD kCopyBlock = 1 << 20;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

OVERLAPPED At(LONGLONG offset)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle()
    {
        if (valid()) CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

}  // namespace

bool WriteAllAt(HANDLE handle, std::string_view bytes, LONGLONG offset)
{
    while (!bytes.empty()) {
        OVERLAPPED at = At(offset);
        DWORD written = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kCopyBlock));
        if (!WriteFile(handle, bytes.data(), want, &written, &at) || written == 0) return false;
        bytes.remove_prefix(written);
        offset += written;
    }
    return true;
}

bool CopyRange(HANDLE from, LONGLONG fromOffset, HANDLE to, LONGLONG toOffset, LONGLONG length)
{
    std::vector<char> buffer(static_cast<std::size_t>(std::min<LONGLONG>(length, kCopyBlock)));
    while (length > 0) {
        OVERLAPPED at = At(fromOffset);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<LONGLONG>(length, kCopyBlock));
        if (!ReadFile(from, buffer.data(), want, &got, &at) || got == 0) return false;
        if (!WriteAllAt(to, std::string_view(buffer.data(), got), toOffset)) return false;
        fromOffset += got;
        toOffset += got;
        length -= got;
    }
    return true;
}

bool WriteInPlace(HANDLE file, HANDLE content, LONGLONG from, LONGLONG size)
{
    LARGE_INTEGER end{};
    end.QuadPart = size;
    return CopyRange(content, from, file, from, size - from) &&
           SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

std::optional<FileIdentity> IdentityOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::optional<FileIdentity> IdentityOfName(const Path& path)
{
    // No data access: this open conflicts with no holder's share mode.
    const Handle handle(CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid()) return std::nullopt;
    return IdentityOf(handle.get());
}

bool IsReadOnly(const Path& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool FailedForSharing(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION;
}

Path JournalPath(const Path& target) { return Path(target) += L".kzrt-redo"; }

bool CommitJournal(const Path& tempPath, const Path& target)
{
    return MoveFileExW(tempPath.c_str(), JournalPath(target).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool ReplayJournal(const Path& target)
{
    const Path journalPath = JournalPath(target);
    if (GetFileAttributesW(journalPath.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    if (MoveFileExW(journalPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    bool applied = false;
    {
        const Handle journal(CreateFileW(journalPath.c_str(), GENERIC_READ, kShareAll, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        const Handle file(CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size{};
        applied = journal.valid() && file.valid() && GetFileSizeEx(journal.get(), &size) &&
                  WriteInPlace(file.get(), journal.get(), 0, size.QuadPart);
    }
    return applied && DeleteFileW(journalPath.c_str());
}

}  // namespace runtime::win32
