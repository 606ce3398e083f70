#include <algorithm>
#include <cstring>
#include <atomic>
#include <string>
#include <vector>

#include "runtime/native_handle.h"

namespace runtime {
namespace {

constexpr DWORD kCopyBlock = 1 << 20;
// FileRenameInfoEx; the SDK headers hide it behind a version check that the
// build's _WIN32_WINNT does not pass.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

OVERLAPPED At(std::int64_t offset)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

}  // namespace

bool RenameOver(HANDLE from, const std::filesystem::path& target)
{
    const std::size_t nameBytes = target.native().size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->FileName, target.c_str(), nameBytes);
    return SetFileInformationByHandle(from, kFileRenameInfoEx, info, static_cast<DWORD>(buffer.size())) != 0;
}

bool WriteAllAt(HANDLE handle, std::string_view bytes, std::int64_t offset)
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

bool CopyRange(HANDLE from, std::int64_t fromOffset, HANDLE to, std::int64_t toOffset, std::int64_t length)
{
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(length, kCopyBlock)));
    while (length > 0) {
        OVERLAPPED at = At(fromOffset);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::int64_t>(length, kCopyBlock));
        if (!ReadFile(from, buffer.data(), want, &got, &at) || got == 0) return false;
        if (!WriteAllAt(to, std::string_view(buffer.data(), got), toOffset)) return false;
        fromOffset += got;
        toOffset += got;
        length -= got;
    }
    return true;
}

TempFile CreateSiblingTemp(const std::filesystem::path& target, std::uint32_t share)
{
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path directory = target.has_parent_path() ? target.parent_path() : ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        TempFile temp;
        temp.path = directory / (L".kzrt" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(counter.fetch_add(1)) + L".tmp");
        temp.handle = CreateFileW(temp.path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, share, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (temp.valid()) return temp;
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return {};
}

void CloseNative(NativeHandle handle) { CloseHandle(handle); }

void Discard(TempFile& temp)
{
    if (temp.valid()) CloseHandle(temp.handle);
    DeleteFileW(temp.path.c_str());
    temp.handle = kNoHandle;
}

bool IsReadOnly(const std::filesystem::path& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::optional<FileStamp> StampOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
    const auto join = [](DWORD high, DWORD low) { return (std::uint64_t(high) << 32) | low; };
    return FileStamp{info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
                     static_cast<std::int64_t>(join(info.nFileSizeHigh, info.nFileSizeLow)),
                     static_cast<std::int64_t>(join(info.ftLastWriteTime.dwHighDateTime,
                                                    info.ftLastWriteTime.dwLowDateTime)) * 100};
}

std::optional<FileStamp> StampOfName(const std::filesystem::path& path)
{
    // No data access: this open conflicts with no holder's share mode.
    const HANDLE handle = CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    const std::optional<FileStamp> stamp = StampOf(handle);
    CloseHandle(handle);
    return stamp;
}

}  // namespace runtime
