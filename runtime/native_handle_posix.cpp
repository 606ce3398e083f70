#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

#include "runtime/native_handle.h"

namespace runtime {
namespace {

constexpr std::size_t kCopyBlock = 1 << 20;

bool CopyWithBuffer(int from, off_t fromOffset, int to, off_t toOffset, off_t length)
{
    std::vector<char> buffer(static_cast<std::size_t>(std::min<off_t>(length, kCopyBlock)));
    while (length > 0) {
        const auto want = static_cast<std::size_t>(std::min<off_t>(length, kCopyBlock));
        const ssize_t got = pread(from, buffer.data(), want, fromOffset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;  // the file shrank under us
        if (!WriteAllAt(to, std::string_view(buffer.data(), static_cast<std::size_t>(got)), toOffset)) {
            return false;
        }
        fromOffset += got;
        toOffset += got;
        length -= got;
    }
    return true;
}

FileStamp StampFrom(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

}  // namespace

bool WriteAllAt(int fd, std::string_view bytes, std::int64_t offset)
{
    while (!bytes.empty()) {
        const ssize_t written = pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return true;
}

bool CopyRange(int from, std::int64_t fromOffset, int to, std::int64_t toOffset, std::int64_t length)
{
    off_t in = static_cast<off_t>(fromOffset), out = static_cast<off_t>(toOffset);
    while (length > 0) {
        const ssize_t copied = copy_file_range(from, &in, to, &out, static_cast<std::size_t>(length), 0);
        if (copied > 0) {
            length -= copied;
            continue;
        }
        if (copied < 0 && errno == EINTR) continue;
        if (copied == 0) return false;  // the file shrank under us
        return CopyWithBuffer(from, in, to, out, static_cast<off_t>(length));
    }
    return true;
}

TempFile CreateSiblingTemp(const std::filesystem::path& target, std::uint32_t permissions)
{
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path directory = target.has_parent_path() ? target.parent_path() : ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        TempFile temp;
        temp.path = directory / (".kzrt" + std::to_string(getpid()) + "-" +
                                 std::to_string(counter.fetch_add(1)) + ".tmp");
        temp.handle = ::open(temp.path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                             static_cast<mode_t>(permissions));
        if (temp.valid()) return temp;
        if (errno != EEXIST) break;
    }
    return {};
}

void CloseNative(NativeHandle handle) { ::close(handle); }

void Discard(TempFile& temp)
{
    if (!temp.valid()) return;
    ::close(temp.handle);
    unlink(temp.path.c_str());
    temp.handle = kNoHandle;
}

bool IsReadOnly(const std::filesystem::path& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::optional<FileStamp> StampOf(int fd)
{
    struct stat info{};
    if (fstat(fd, &info) != 0) return std::nullopt;
    return StampFrom(info);
}

std::optional<FileStamp> StampOfName(const std::filesystem::path& path)
{
    struct stat info{};
    if (stat(path.c_str(), &info) != 0) return std::nullopt;
    return StampFrom(info);
}

}  // namespace runtime
