#include "runtime/rewrite_journal_win32.h"

#include "runtime/native_handle.h"


namespace runtime::win32 {

bool WriteInPlace(HANDLE file, HANDLE content, LONGLONG from, LONGLONG size)
{
    LARGE_INTEGER end{};
    end.QuadPart = size;
    return CopyRange(content, from, file, from, size - from) &&
           SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

bool FailedForSharing(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION;
}

Path JournalPath(const Path& target) { return Path(target) += L".kzrt-redo"; }

bool JournalPending(const Path& target)
{
    return GetFileAttributesW(JournalPath(target).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Never over an existing journal: it may hold the only whole content of a
// file that an earlier in-place write left torn.
bool CommitJournal(const Path& tempPath, const Path& target)
{
    return MoveFileExW(tempPath.c_str(), JournalPath(target).c_str(), 0) != 0;
}

bool ReplayJournal(const Path& target)
{
    const Path journalPath = JournalPath(target);
    if (GetFileAttributesW(journalPath.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    if (MoveFileExW(journalPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    bool applied = false;
    {
        const OwnedHandle journal(CreateFileW(journalPath.c_str(), GENERIC_READ, kShareAll, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        const OwnedHandle file(CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size{};
        applied = journal.valid() && file.valid() && GetFileSizeEx(journal.get(), &size) &&
                  WriteInPlace(file.get(), journal.get(), 0, size.QuadPart);
    }
    return applied && DeleteFileW(journalPath.c_str());
}

}  // namespace runtime::win32
