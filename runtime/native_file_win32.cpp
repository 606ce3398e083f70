// Files on Windows: share modes are the system's own. Every file is also
// opened with FILE_SHARE_DELETE so that InsertText can rename its rewritten
// copy over it while the handle stays open. Where another program holds the
// file open without delete sharing, no rename can replace it; the new content
// is then written in place under the protection of a journal
// (rewrite_journal_win32.h), so a reader that allows writing never costs rows or
// settings, and a killed process never leaves a file that cannot be finished.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/rewrite_journal_win32.h"
#include "runtime/native_handle.h"
#include "runtime/file_numbers.h"
#include "runtime/native_file.h"

namespace runtime {
namespace {

using namespace win32;

constexpr DWORD kWriteBlock = 1 << 20;

struct OpenArguments {
    DWORD access;
    DWORD creation;
    bool readable;
    bool writable;
};

OpenArguments ArgumentsForMode(int mode)
{
    switch (mode) {
    case 1: return {GENERIC_READ, OPEN_EXISTING, true, false};
    case 2: return {GENERIC_WRITE, OPEN_EXISTING, false, true};
    case 3: return {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, true, true};
    case 4: return {GENERIC_WRITE, CREATE_ALWAYS, false, true};
    case 5: return {GENERIC_WRITE, OPEN_ALWAYS, false, true};
    default: return {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, true, true};
    }
}

DWORD ShareForShare(int share)
{
    switch (share) {
    case 1: return FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    case 2: return FILE_SHARE_WRITE | FILE_SHARE_DELETE;  // others may not read
    case 3: return FILE_SHARE_READ | FILE_SHARE_DELETE;   // others may not write
    default: return FILE_SHARE_DELETE;
    }
}

}  // namespace

struct NativeFile::State {
    HANDLE handle = INVALID_HANDLE_VALUE;
    Path path;
    DWORD access = 0;
    DWORD share = 0;
    bool readable = false;
    bool writable = false;
};

NativeFile::NativeFile(std::unique_ptr<State> state) : m_state(std::move(state)) {}

NativeFile::~NativeFile() { CloseHandle(m_state->handle); }

std::unique_ptr<NativeFile> NativeFile::open(const Path& name, int mode, int share)
{
    const OpenArguments how = ArgumentsForMode(mode);
    auto state = std::make_unique<State>();
    state->path = name;
    state->access = how.access;
    state->share = ShareForShare(share);
    state->readable = how.readable;
    state->writable = how.writable;
    // A journal that cannot be applied yet means the file may be torn.
    if (!ReplayJournal(state->path)) return nullptr;
    state->handle = CreateFileW(state->path.c_str(), how.access, state->share, nullptr, how.creation,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (state->handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<NativeFile>(std::move(state));
}

bool NativeFile::seek(int base, std::int64_t offset)
{
    const DWORD method = base == 1 ? FILE_BEGIN : base == 2 ? FILE_CURRENT : FILE_END;
    if (base < 1 || base > 3) return false;
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    return SetFilePointerEx(m_state->handle, distance, nullptr, method) != 0;
}

bool NativeFile::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kWriteBlock));
        if (!WriteFile(m_state->handle, bytes.data(), want, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

namespace {

// The file position, or nothing.
std::optional<LONGLONG> PositionOf(HANDLE handle)
{
    LARGE_INTEGER zero{}, position{};
    if (!SetFilePointerEx(handle, zero, &position, FILE_CURRENT)) return std::nullopt;
    return position.QuadPart;
}

bool MoveTo(HANDLE handle, LONGLONG position)
{
    LARGE_INTEGER at{};
    at.QuadPart = position;
    return SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) != 0;
}

// True when `path` still leads to the file open as `handle`: someone else may
// have deleted or replaced it, and their file must not get our rows.
bool NameLeadsTo(const Path& path, HANDLE handle)
{
    const std::optional<FileStamp> opened = StampOf(handle);
    const std::optional<FileStamp> named = StampOfName(path);
    return opened && named && SameFile(*opened, *named);
}

enum class Replaced { kByRename, kInPlace, kNot };

// Replaces `target` with the complete temporary file: by a rename where no
// other holder forbids it, else in place through the journal, writing from
// `from` on (the bytes before it are the same in both). `targetHandle` is the
// target open for writing, or INVALID_HANDLE_VALUE to open it only when needed
// (a handle of ours would itself stop the rename). kNot leaves the target
// unchanged, or, if the in-place write failed half way, to its journal.
Replaced Replace(TempFile& temp, const Path& target, HANDLE targetHandle, LONGLONG from,
                 LONGLONG size)
{
    if (RenameOver(temp.handle, target) ||
        MoveFileExW(temp.path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return Replaced::kByRename;
    }
    if (!FailedForSharing(GetLastError())) return Replaced::kNot;
    const bool ownHandle = targetHandle == INVALID_HANDLE_VALUE;
    if (ownHandle) {
        targetHandle = CreateFileW(target.c_str(), GENERIC_WRITE, ShareForShare(1), nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (targetHandle == INVALID_HANDLE_VALUE) return Replaced::kNot;
    if (!CommitJournal(temp.path, target)) {
        if (ownHandle) CloseHandle(targetHandle);
        return Replaced::kNot;
    }
    const bool written = WriteInPlace(targetHandle, temp.handle, from, size);
    if (ownHandle) CloseHandle(targetHandle);
    CloseHandle(temp.handle);
    temp.handle = INVALID_HANDLE_VALUE;
    if (!written) return Replaced::kNot;
    DeleteFileW(JournalPath(target).c_str());
    return Replaced::kInPlace;
}

}  // namespace

bool NativeFile::insert(std::string_view bytes)
{
    State& s = *m_state;
    if (!s.readable || !s.writable) return false;
    if (bytes.empty()) return true;
    LARGE_INTEGER size{};
    const std::optional<LONGLONG> position = PositionOf(s.handle);
    if (!position || !GetFileSizeEx(s.handle, &size) || !NameLeadsTo(s.path, s.handle) ||
        IsReadOnly(s.path)) {
        return false;
    }
    const LONGLONG at = std::min(*position, size.QuadPart);
    const auto length = static_cast<LONGLONG>(bytes.size());
    TempFile temp = CreateSiblingTemp(s.path, s.share);
    if (temp.handle == INVALID_HANDLE_VALUE) return false;
    const bool written = CopyRange(s.handle, 0, temp.handle, 0, at) &&
                         WriteAllAt(temp.handle, bytes, at) &&
                         CopyRange(s.handle, at, temp.handle, at + length, size.QuadPart - at);
    const Replaced how = written ? Replace(temp, s.path, s.handle, at, size.QuadPart + length)
                                 : Replaced::kNot;
    if (how == Replaced::kNot) {
        Discard(temp);
        // Reads at an offset move a synchronous handle's position: put it back.
        MoveTo(s.handle, *position);
        return false;
    }
    if (how == Replaced::kByRename) {
        CloseHandle(s.handle);
        s.handle = temp.handle;
    }
    return MoveTo(s.handle, at + length);
}

bool FileIsReadOnly(const Path& name) { return !name.empty() && IsReadOnly(name); }

bool FileRewriteUnfinished(const Path& name) { return !name.empty() && JournalPending(name); }

bool FileExists(const Path& name)
{
    if (name.empty()) return false;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(name.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

std::optional<std::string> ReadWholeFile(const Path& name)
{
    if (!ReplayJournal(name)) return std::nullopt;  // the file may be torn
    const HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string content;
    std::vector<char> buffer(16384);
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) != 0) &&
           got > 0) {
        content.append(buffer.data(), got);
    }
    CloseHandle(handle);
    if (!ok) return std::nullopt;
    return content;
}

bool ReplaceWholeFile(const Path& target, std::string_view content)
{
    if (IsReadOnly(target) || !ReplayJournal(target)) return false;
    TempFile temp = CreateSiblingTemp(target, FILE_SHARE_DELETE);
    if (temp.handle == INVALID_HANDLE_VALUE) return false;
    const auto size = static_cast<LONGLONG>(content.size());
    const Replaced how = WriteAllAt(temp.handle, content, 0)
                             ? Replace(temp, target, INVALID_HANDLE_VALUE, 0, size)
                             : Replaced::kNot;
    if (how == Replaced::kNot) {
        Discard(temp);
        return false;
    }
    if (temp.handle != INVALID_HANDLE_VALUE) CloseHandle(temp.handle);
    return true;
}

}  // namespace runtime
