#pragma once
// Windows only: handle I/O at offsets, file identities, and the journal that
// makes an in-place rewrite safe against a killed process.
//
// A file that another program holds open without delete sharing (a viewer,
// an editor, a plain ifstream) cannot be replaced by a rename. Its new content
// is then written into it in place, which a kill could leave half done. So
// the complete new content is first put beside it as "<name>.kzrt-redo"; the
// in-place write follows and the journal is deleted. A journal found later
// means the write was cut short, and the next use of the name (opening it,
// reading it whole, replacing it) finishes it from the journal first.
#include <windows.h>

#include <optional>
#include <string_view>

#include "runtime/native_path.h"

namespace runtime::win32 {

bool WriteAllAt(HANDLE handle, std::string_view bytes, LONGLONG offset);
bool CopyRange(HANDLE from, LONGLONG fromOffset, HANDLE to, LONGLONG toOffset, LONGLONG length);
// Makes `file` hold the `size` bytes of `content`, both sides agreeing on the
// bytes before `from`: writes the rest at the same offsets and cuts the end.
// The file position of `file` is left at `size`.
bool WriteInPlace(HANDLE file, HANDLE content, LONGLONG from, LONGLONG size);

struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(HANDLE handle);
// The identity of the file the name leads to now, or nothing when none does.
std::optional<FileIdentity> IdentityOfName(const Path& path);

// A file the user made read-only is never rewritten.
bool IsReadOnly(const Path& path);
// True when a rename failed only because someone holds the file open.
bool FailedForSharing(DWORD error);

Path JournalPath(const Path& target);
// Finishes a rewrite a killed process left in its journal. False only when a
// journal is there and could not be applied yet.
bool ReplayJournal(const Path& target);
// Turns the complete temporary file at `tempPath` into the journal of `target`.
bool CommitJournal(const Path& tempPath, const Path& target);

}  // namespace runtime::win32
