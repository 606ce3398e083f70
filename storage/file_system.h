#pragma once
// The few whole-file operations that a durable log and its published view
// need, named by what they promise about the disk. The recording goes through
// this interface only, so a test can put a file system beneath it that records
// every write, sync and rename and replays power cuts between them.
//
// Names are native paths. Nothing here is synced unless a call says so.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/file_stamp.h"

namespace storage {

using runtime::FileStamp;
using runtime::SameFile;


enum class Published {
    kDone,    // the target now holds the new version; the old one is gone
    kHeld,    // another program holds the target locked: nothing changed
    kFailed,  // the target could not be replaced: nothing changed
};

enum class Copied {
    kDone,
    kChanged,  // the source is no longer the expected version: nothing appended
    kFailed,
};

enum class Lock {
    kTaken,   // this program holds the lock now
    kHeld,    // another program holds it
    kFailed,  // the lock file could not be made (a read-only folder, a full disk ...)
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The whole content, or nothing when the file cannot be read.
    virtual std::optional<std::string> read(const std::filesystem::path& path) = 0;
    // Nothing when no file has the name.
    virtual std::optional<FileStamp> stamp(const std::filesystem::path& path) = 0;
    // The owner made the file read-only: it is never replaced or rewritten.
    virtual bool isReadOnly(const std::filesystem::path& path) = 0;
    // True while an earlier in-place rewrite of the file was cut short and
    // cannot be finished yet (Windows only): reading it then fails.
    virtual bool unfinishedRewrite(const std::filesystem::path&) { return false; }
    // The names (no directories) in the directory; the same on every platform.
    virtual std::vector<std::filesystem::path> list(const std::filesystem::path& directory);

    // Creates or truncates the file and writes the content.
    virtual bool write(const std::filesystem::path& path, std::string_view content) = 0;
    // Appends to an existing file.
    virtual bool append(const std::filesystem::path& path, std::string_view bytes) = 0;
    // Appends the bytes of `from` from `offset` to its end onto `to`, but only
    // while `from` is still the version `expected`, so that a version another
    // program wrote meanwhile is never mixed into ours. A new version of a
    // long file is made from the previous one this way, without holding it in
    // memory. This default reads it; the platforms copy inside the kernel.
    virtual Copied appendTail(const std::filesystem::path& from, const FileStamp& expected, std::int64_t offset,
                              const std::filesystem::path& to);
    // Cuts the file to `size` bytes.
    virtual bool truncate(const std::filesystem::path& path, std::int64_t size) = 0;
    // The file's content and size reach the disk before this returns.
    virtual bool sync(const std::filesystem::path& path) = 0;
    // The directory's names (creations, renames, removals) reach the disk.
    virtual bool syncDirectory(const std::filesystem::path& directory) = 0;
    // Makes `target` hold what `from` holds, in one step that readers of
    // `target` see whole, and removes `from`. The old version is dropped
    // without being forced to the disk.
    virtual Published publish(const std::filesystem::path& from, const std::filesystem::path& target) = 0;
    virtual bool rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    virtual bool remove(const std::filesystem::path& path) = 0;

    // Takes the exclusive lock that the lock file at `path` stands for,
    // making the file when it is missing. While this program holds it,
    // another program (or another FileSystem of this one) asking for it gets
    // kHeld. A lock left by a killed program is free again.
    virtual Lock lock(const std::filesystem::path& path) = 0;
    // Removes the lock file and lets the lock go.
    virtual void unlock(const std::filesystem::path& path) = 0;
};

// The platform's own file system (native_file_system_posix.cpp, native_file_system_win32.cpp).
std::unique_ptr<FileSystem> NativeFileSystem();

}  // namespace storage
