#pragma once
// The pieces that every file operation of this folder is built from, written
// once per platform (native_handle_posix.cpp, native_handle_win32.cpp): writing all
// bytes at an offset, copying a range between two open files, a temporary
// file beside a target, the owner's read-only mark, a file's identity, and on
// Windows the rename over a file that readers still hold.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "runtime/file_stamp.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace runtime {

#ifdef _WIN32
using NativeHandle = HANDLE;
inline const NativeHandle kNoHandle = INVALID_HANDLE_VALUE;
#else
using NativeHandle = int;
inline constexpr NativeHandle kNoHandle = -1;
#endif

#ifdef _WIN32
// Every sharing: readers, writers, and a rename or delete meanwhile.
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Renames the open file over `target` with POSIX semantics (readers that
// allow deleting keep the old file); the handle stays open.
bool RenameOver(HANDLE from, const std::filesystem::path& target);
#endif

// Closes the handle (CloseHandle on Windows, close on POSIX).
void CloseNative(NativeHandle handle);

// Owns one open handle and closes it when it goes out of scope.
class OwnedHandle {
public:
    explicit OwnedHandle(NativeHandle handle) : m_handle(handle) {}
    ~OwnedHandle()
    {
        if (valid()) CloseNative(m_handle);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    bool valid() const { return m_handle != kNoHandle; }
    NativeHandle get() const { return m_handle; }

private:
    NativeHandle m_handle;
};

// Writes every byte at the offset; the handle's position is not used.
bool WriteAllAt(NativeHandle handle, std::string_view bytes, std::int64_t offset);
// Copies `length` bytes; false when the source ends first. Inside the kernel
// where the file system allows it.
bool CopyRange(NativeHandle from, std::int64_t fromOffset, NativeHandle to, std::int64_t toOffset,
               std::int64_t length);

// A new, empty file in the directory of `target`, open for reading and
// writing: hidden, named after this process, never an existing file.
// `access` is the creation mode on POSIX and the share mode on Windows.
struct TempFile {
    NativeHandle handle = kNoHandle;
    std::filesystem::path path;
    bool valid() const { return handle != kNoHandle; }
};
TempFile CreateSiblingTemp(const std::filesystem::path& target, std::uint32_t access);
// Closes and removes it.
void Discard(TempFile& temp);

// The owner made the file read-only (no write permission bits on POSIX, the
// read-only attribute on Windows). Root may write to any file; the mark still
// says what the user meant.
bool IsReadOnly(const std::filesystem::path& path);

// The identity of the open file, with its size and modification time.
std::optional<FileStamp> StampOf(NativeHandle handle);
// The same for the file the name leads to now; nothing when none does.
std::optional<FileStamp> StampOfName(const std::filesystem::path& path);

}  // namespace runtime
