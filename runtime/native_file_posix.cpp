// Files on POSIX. Share modes become a non-blocking flock() held for as long
// as the file is open (advisory: it stops other copies of the console, which
// all ask for it). Every rewrite of a whole file goes through a temporary file
// in the same directory and a rename, so a crash leaves the old or the new
// content. Nothing here calls fsync: see the recording's write rate.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/native_handle.h"
#include "runtime/file_numbers.h"
#include "runtime/native_file.h"

namespace runtime {
namespace {

// A file swapped under us between open() and flock() is reopened this often.
constexpr int kOpenAttempts = 8;

struct OpenFlags {
    int flags;
    bool readable;
    bool writable;
};

OpenFlags FlagsForMode(int mode)
{
    switch (mode) {
    case 1: return {O_RDONLY, true, false};
    case 2: return {O_WRONLY, false, true};
    case 3: return {O_RDWR, true, true};
    case 4: return {O_WRONLY | O_CREAT, false, true};  // truncated once locked
    case 5: return {O_WRONLY | O_CREAT, false, true};
    default: return {O_RDWR | O_CREAT, true, true};
    }
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool ReadOnlyMode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

// The path a rename must replace: a symbolic link is followed, so the link
// stays a link and its target gets the new content.
Path RenameTarget(const Path& path)
{
    struct stat link{};
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    Path target(std::string{resolved});
    std::free(resolved);
    return target;
}

// Gives the temporary file the original's owner and exact permissions (the
// umask may have cut the latter at creation). Only root may give a file away;
// for anyone else the new file stays theirs, which is not an error.
void CopyOwnership(int fd, const struct stat& original)
{
    [[maybe_unused]] const int ownerChanged = fchown(fd, original.st_uid, original.st_gid);
    fchmod(fd, original.st_mode & 07777);
}

}  // namespace

struct NativeFile::State {
    int fd = -1;
    Path path;
    bool readable = false;
    bool writable = false;
    bool locked = false;
};

NativeFile::NativeFile(std::unique_ptr<State> state) : m_state(std::move(state)) {}

NativeFile::~NativeFile() { ::close(m_state->fd); }

std::unique_ptr<NativeFile> NativeFile::open(const Path& name, int mode, int share)
{
    const OpenFlags how = FlagsForMode(mode);
    auto state = std::make_unique<State>();
    state->path = name;
    state->readable = how.readable;
    state->writable = how.writable;
    state->locked = share >= 2;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        const int fd = ::open(state->path.c_str(), how.flags | O_CLOEXEC, 0666);
        if (fd < 0) return nullptr;
        struct stat opened{}, named{};
        if (fstat(fd, &opened) != 0 || S_ISDIR(opened.st_mode) ||
            (state->locked && flock(fd, LOCK_EX | LOCK_NB) != 0)) {
            ::close(fd);
            return nullptr;
        }
        // Another holder may have replaced the file by a rename while we
        // waited for nothing: the lock must sit on the file the name shows.
        if (state->locked && (stat(state->path.c_str(), &named) != 0 || !SameFile(opened, named))) {
            ::close(fd);
            continue;
        }
        if (mode == 4 && ftruncate(fd, 0) != 0) {
            ::close(fd);
            return nullptr;
        }
        state->fd = fd;
        return std::make_unique<NativeFile>(std::move(state));
    }
    return nullptr;
}

bool NativeFile::seek(int base, std::int64_t offset)
{
    const int whence = base == 1 ? SEEK_SET : base == 2 ? SEEK_CUR : base == 3 ? SEEK_END : -1;
    return whence >= 0 && lseek(m_state->fd, static_cast<off_t>(offset), whence) >= 0;
}

bool NativeFile::write(std::string_view bytes)
{
    const off_t position = lseek(m_state->fd, 0, SEEK_CUR);
    if (!m_state->writable || position < 0 || !WriteAllAt(m_state->fd, bytes, position)) return false;
    return lseek(m_state->fd, position + static_cast<off_t>(bytes.size()), SEEK_SET) >= 0;
}

bool NativeFile::insert(std::string_view bytes)
{
    State& s = *m_state;
    if (!s.readable || !s.writable) return false;
    if (bytes.empty()) return true;
    struct stat opened{}, named{};
    const Path target = RenameTarget(s.path);
    if (fstat(s.fd, &opened) != 0 || stat(target.c_str(), &named) != 0 || !SameFile(opened, named) ||
        ReadOnlyMode(opened.st_mode)) {
        return false;
    }
    const off_t size = opened.st_size;
    const off_t position = std::min(lseek(s.fd, 0, SEEK_CUR), size);
    const auto length = static_cast<off_t>(bytes.size());
    TempFile temp = CreateSiblingTemp(target, opened.st_mode & 07777);
    if (!temp.valid()) return false;
    CopyOwnership(temp.handle, opened);
    const bool written = CopyRange(s.fd, 0, temp.handle, 0, position) &&
                         WriteAllAt(temp.handle, bytes, position) &&
                         CopyRange(s.fd, position, temp.handle, position + length, size - position);
    // The lock moves to the new file before its name appears, so another
    // copy of the console never finds the name unlocked.
    if (!written || (s.locked && flock(temp.handle, LOCK_EX | LOCK_NB) != 0) ||
        rename(temp.path.c_str(), target.c_str()) != 0) {
        Discard(temp);
        return false;
    }
    lseek(temp.handle, position + length, SEEK_SET);
    ::close(s.fd);
    s.fd = temp.handle;
    return true;
}

bool FileIsReadOnly(const Path& name)
{
    struct stat info{};
    return !name.empty() && stat(name.c_str(), &info) == 0 && ReadOnlyMode(info.st_mode);
}

bool FileRewriteUnfinished(const Path&) { return false; }

bool FileExists(const Path& name)
{
    struct stat info{};
    return !name.empty() && stat(name.c_str(), &info) == 0;
}

std::optional<std::string> ReadWholeFile(const Path& name)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string content;
    char buffer[16384];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ::close(fd);
            if (got < 0) return std::nullopt;
            return content;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
}

bool ReplaceWholeFile(const Path& name, std::string_view content)
{
    const Path target = RenameTarget(name);
    struct stat existing{};
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && ReadOnlyMode(existing.st_mode)) return false;
    TempFile temp = CreateSiblingTemp(target, exists ? existing.st_mode & 07777 : 0666);
    if (!temp.valid()) return false;
    if (exists) CopyOwnership(temp.handle, existing);
    if (!WriteAllAt(temp.handle, content, 0) || rename(temp.path.c_str(), target.c_str()) != 0) {
        Discard(temp);
        return false;
    }
    return ::close(temp.handle) == 0;
}

}  // namespace runtime
