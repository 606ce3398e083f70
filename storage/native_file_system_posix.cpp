// The recording's file system on POSIX. A new version is published with
// renameat2(RENAME_EXCHANGE) and the old version unlinked: unlike a rename
// over an existing name, an exchange does not make ext4 or btrfs write the new
// file out at once, and the unlinked old version's dirty pages are dropped, not
// written. See storage/README.md.
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <system_error>

#include "runtime/native_handle.h"
#include "storage/file_system.h"

namespace storage {
namespace {

using namespace runtime;

namespace fs = std::filesystem;

// A symbolic link stays a link: its target gets the new version.
fs::path ReplacedPath(const fs::path& path)
{
    std::error_code error;
    if (!fs::is_symlink(path, error)) return path;
    const fs::path resolved = fs::canonical(path, error);
    return error ? path : resolved;
}

bool SyncDescriptor(int fd)
{
    while (fsync(fd) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

class PosixFileSystem final : public FileSystem {
public:
    ~PosixFileSystem() override
    {
        for (const auto& held : m_locks) ::close(held.second);
    }

    std::optional<std::string> read(const fs::path& path) override
    {
        const OwnedHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!file.valid()) return std::nullopt;
        std::string content;
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return std::nullopt;
            if (got == 0) return content;
            content.append(buffer, static_cast<std::size_t>(got));
        }
    }

    std::optional<FileStamp> stamp(const fs::path& path) override { return StampOfName(path); }
    bool isReadOnly(const fs::path& path) override { return IsReadOnly(path); }

    bool write(const fs::path& path, std::string_view content) override
    {
        const OwnedHandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        return file.valid() && WriteAllAt(file.get(), content, 0);
    }

    bool append(const fs::path& path, std::string_view bytes) override
    {
        const OwnedHandle file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
        if (!file.valid()) return false;
        while (!bytes.empty()) {
            const ssize_t written = ::write(file.get(), bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return true;
    }

    // The source's identity, size and time are checked on the open file, so
    // the bytes copied are the expected version's even if its name is
    // replaced meanwhile; a file rewritten in place at the same size and time
    // is the one case no stamp can tell.
    Copied appendTail(const fs::path& from, const FileStamp& expected, std::int64_t offset, const fs::path& to) override
    {
        const OwnedHandle source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
        if (!source.valid()) return errno == ENOENT ? Copied::kChanged : Copied::kFailed;
        if (StampOf(source.get()) != expected) return Copied::kChanged;
        if (expected.size < offset) return Copied::kFailed;
        const OwnedHandle target(::open(to.c_str(), O_WRONLY | O_CLOEXEC));
        struct stat info{};
        if (!target.valid() || fstat(target.get(), &info) != 0) return Copied::kFailed;
        return CopyRange(source.get(), offset, target.get(), info.st_size, expected.size - offset) ? Copied::kDone
                                                                                                  : Copied::kFailed;
    }

    bool truncate(const fs::path& path, std::int64_t size) override
    {
        return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
    }

    bool sync(const fs::path& path) override
    {
        const OwnedHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        return file.valid() && SyncDescriptor(file.get());
    }

    bool syncDirectory(const fs::path& directory) override
    {
        const fs::path name = directory.empty() ? fs::path(".") : directory;
        const OwnedHandle file(::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return file.valid() && SyncDescriptor(file.get());
    }

    Published publish(const fs::path& from, const fs::path& target) override;

    bool rename(const fs::path& from, const fs::path& to) override
    {
        return ::rename(from.c_str(), to.c_str()) == 0;
    }

    bool remove(const fs::path& path) override { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

    // flock on the lock file. The name is removed on release, so a program
    // that opened the file before that may lock a file that no longer has the
    // name: it then sees another file (or none) under the name and tries again.
    Lock lock(const fs::path& path) override
    {
        if (m_locks.contains(path)) return Lock::kTaken;
        for (int attempt = 0; attempt < 8; ++attempt) {
            const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            if (fd < 0) return Lock::kFailed;
            if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
                ::close(fd);
                return Lock::kHeld;
            }
            const std::optional<FileStamp> held = StampOf(fd);
            const std::optional<FileStamp> named = StampOfName(path);
            if (held && named && SameFile(*held, *named)) {
                m_locks.emplace(path, fd);
                return Lock::kTaken;
            }
            ::close(fd);
        }
        return Lock::kHeld;
    }

    void unlock(const fs::path& path) override
    {
        const auto held = m_locks.find(path);
        if (held == m_locks.end()) return;
        ::unlink(path.c_str());
        ::close(held->second);
        m_locks.erase(held);
    }

private:
    std::map<fs::path, int> m_locks;
};

// The target is locked while it is replaced, as another copy of the console
// locks it while it writes, and the new version is locked before its name
// appears, so the name is never found unlocked. The new version takes the old
// one's owner and permissions (only root may give a file away).
Published PosixFileSystem::publish(const fs::path& from, const fs::path& requested)
{
    const fs::path target = ReplacedPath(requested);
    const OwnedHandle old(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
    if (old.valid() && flock(old.get(), LOCK_EX | LOCK_NB) != 0) return Published::kHeld;
    const OwnedHandle fresh(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fresh.valid() || flock(fresh.get(), LOCK_EX | LOCK_NB) != 0) return Published::kFailed;
    struct stat info{};
    if (old.valid() && fstat(old.get(), &info) == 0) {
        [[maybe_unused]] const int owned = fchown(fresh.get(), info.st_uid, info.st_gid);
        fchmod(fresh.get(), info.st_mode & 07777);
    }
    if (old.valid() && renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        ::unlink(from.c_str());
        return Published::kDone;
    }
    // No file yet, or a file system without exchange: a plain rename.
    return ::rename(from.c_str(), target.c_str()) == 0 ? Published::kDone : Published::kFailed;
}

}  // namespace

std::unique_ptr<FileSystem> NativeFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace storage
