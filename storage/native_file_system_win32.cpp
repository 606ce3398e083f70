// The recording's file system on Windows. A new version replaces the old by a
// rename with POSIX semantics while readers that allow deleting keep their
// handles. Where another program holds the day's file open without delete
// sharing, no rename can replace it; the new version is then written into it
// in place. The durable log beside it still holds every row, so a kill during
// that write leaves nothing the next start cannot make whole. NTFS logs its
// own metadata changes in order, so a folder needs no sync of its own.
#include <windows.h>

#include <map>
#include <system_error>
#include <vector>

#include "runtime/rewrite_journal_win32.h"
#include "runtime/native_handle.h"
#include "storage/file_system.h"

namespace storage {
namespace {

using namespace runtime;

namespace fs = std::filesystem;

// How long the recording's thread waits for a reader to let go of the name.
constexpr int kRenameAttempts = 40;
constexpr DWORD kRenameWaitMs = 5;
// How long a reader waits for an in-place write to end (a whole day's file
// is written in well under this), and the writer for readers to finish.
constexpr int kReadLockAttempts = 2000;
constexpr int kWriteLockAttempts = 200;

HANDLE Open(const fs::path& path, DWORD access, DWORD share, DWORD creation)
{
    return CreateFileW(path.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Our readers hold a shared byte-range lock on the whole file while they read
// it, and an in-place write holds an exclusive one: a version written in
// place is never read half old and half new by us, and Windows keeps other
// programs' reads out of it meanwhile (byte-range locks are mandatory there).
// A rename needs none of this: a reader keeps the version it opened.
bool LockWhole(HANDLE file, bool exclusive, int attempts)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        OVERLAPPED whole{};
        const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
        if (LockFileEx(file, flags, 0, MAXDWORD, MAXDWORD, &whole)) return true;
        if (GetLastError() != ERROR_LOCK_VIOLATION) return false;
        Sleep(1);
    }
    return false;
}

void UnlockWhole(HANDLE file)
{
    OVERLAPPED whole{};
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
}

class Win32FileSystem final : public FileSystem {
public:
    ~Win32FileSystem() override
    {
        for (const auto& held : m_locks) CloseHandle(held.second);
    }

    std::optional<std::string> read(const fs::path& path) override
    {
        if (!win32::ReplayJournal(path.wstring())) return std::nullopt;  // the file may be torn
        const OwnedHandle file(Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING));
        if (!file.valid() || !LockWhole(file.get(), false, kReadLockAttempts)) return std::nullopt;
        std::string content;
        std::vector<char> buffer(65536);
        DWORD got = 0;
        bool whole = false;
        while (ReadFile(file.get(), buffer.data(), DWORD(buffer.size()), &got, nullptr)) {
            if (got == 0) {
                whole = true;
                break;
            }
            content.append(buffer.data(), got);
        }
        UnlockWhole(file.get());
        if (!whole) return std::nullopt;
        return content;
    }

    std::optional<FileStamp> stamp(const fs::path& path) override { return StampOfName(path); }
    bool isReadOnly(const fs::path& path) override { return IsReadOnly(path); }
    bool unfinishedRewrite(const fs::path& path) override { return win32::JournalPending(path.wstring()); }

    bool write(const fs::path& path, std::string_view content) override
    {
        const OwnedHandle file(Open(path, GENERIC_WRITE, kShareAll, CREATE_ALWAYS));
        return file.valid() && WriteAllAt(file.get(), content, 0);
    }

    bool append(const fs::path& path, std::string_view bytes) override
    {
        const OwnedHandle file(Open(path, FILE_APPEND_DATA, kShareAll, OPEN_EXISTING));
        while (file.valid() && !bytes.empty()) {
            DWORD written = 0;
            if (!WriteFile(file.get(), bytes.data(), DWORD(std::min<std::size_t>(bytes.size(), 1 << 20)), &written,
                           nullptr) ||
                written == 0) {
                return false;
            }
            bytes.remove_prefix(written);
        }
        return file.valid();
    }

    bool truncate(const fs::path& path, std::int64_t size) override
    {
        const OwnedHandle file(Open(path, GENERIC_WRITE, kShareAll, OPEN_EXISTING));
        LARGE_INTEGER end{};
        end.QuadPart = size;
        return file.valid() && SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get());
    }

    bool sync(const fs::path& path) override
    {
        const OwnedHandle file(Open(path, GENERIC_WRITE, kShareAll, OPEN_EXISTING));
        return file.valid() && FlushFileBuffers(file.get());
    }

    bool syncDirectory(const fs::path&) override { return true; }

    Published publish(const fs::path& from, const fs::path& target) override;

    bool rename(const fs::path& from, const fs::path& to) override
    {
        return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    }

    bool remove(const fs::path& path) override
    {
        return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    }

    // The lock file is opened without sharing, so a second open fails while
    // it is held, and deleted when its last handle closes: a killed program's
    // lock goes with its handles.
    Lock lock(const fs::path& path) override
    {
        if (m_locks.contains(path)) return Lock::kTaken;
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            // A file still being deleted answers "access denied" for a moment.
            const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                              (error == ERROR_ACCESS_DENIED && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
            return held ? Lock::kHeld : Lock::kFailed;
        }
        m_locks.emplace(path, file);
        return Lock::kTaken;
    }

    void unlock(const fs::path& path) override
    {
        const auto held = m_locks.find(path);
        if (held == m_locks.end()) return;
        CloseHandle(held->second);
        m_locks.erase(held);
    }

private:
    std::map<fs::path, HANDLE> m_locks;
};

// Another program writing to the day's file (or holding it exclusively, as
// another copy of the console does while it writes) makes the tick wait for
// the next one, as it always has.
Published Win32FileSystem::publish(const fs::path& from, const fs::path& target)
{
    const bool exists = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (exists) {
        const OwnedHandle writer(Open(target, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING));
        if (!writer.valid()) return win32::FailedForSharing(GetLastError()) ? Published::kHeld : Published::kFailed;
    }
    // A reader that forbids deleting (most programs open files so) holds the
    // name for a moment only: wait a little for it before writing in place.
    for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
        {
            const OwnedHandle fresh(Open(from, GENERIC_READ | DELETE, kShareAll, OPEN_EXISTING));
            if (!fresh.valid()) return Published::kFailed;
            if (RenameOver(fresh.get(), target)) return Published::kDone;
        }
        if (MoveFileExW(from.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return Published::kDone;
        if (!exists || !win32::FailedForSharing(GetLastError())) return Published::kFailed;
        Sleep(kRenameWaitMs);
    }
    // Held open without delete sharing: in place, from the log's safety.
    {
        const OwnedHandle old(Open(target, GENERIC_WRITE, kShareAll, OPEN_EXISTING));
        const OwnedHandle fresh(Open(from, GENERIC_READ, kShareAll, OPEN_EXISTING));
        LARGE_INTEGER size{};
        if (!old.valid() || !fresh.valid() || !GetFileSizeEx(fresh.get(), &size)) return Published::kFailed;
        // A program that keeps a byte-range lock on it holds it as surely as
        // one that keeps it open without sharing.
        if (!LockWhole(old.get(), true, kWriteLockAttempts)) return Published::kHeld;
        const bool written = win32::WriteInPlace(old.get(), fresh.get(), 0, size.QuadPart);
        UnlockWhole(old.get());
        if (!written) return Published::kFailed;
    }
    DeleteFileW(from.c_str());
    return Published::kDone;
}

}  // namespace

std::unique_ptr<FileSystem> NativeFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace storage
