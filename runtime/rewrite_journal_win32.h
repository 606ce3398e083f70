#pragma once
// Windows only: the journal that makes an in-place rewrite safe against a
// killed process.
//
// A file that another program holds open without delete sharing (a viewer,
// an editor, a plain ifstream) cannot be replaced by a rename. Its new content
// is then written into it in place, which a kill could leave half done. So
// the complete new content is first put beside it as "<name>.kzrt-redo"; the
// in-place write follows and the journal is deleted. A journal found later
// means the write was cut short, and the next use of the name (opening it,
// reading it whole, replacing it) finishes it from the journal first.
#include <windows.h>

#include <string>
#include <string_view>

#include "runtime/native_path.h"

namespace runtime::win32 {

// Makes `file` hold the `size` bytes of `content`, both sides agreeing on the
// bytes before `from`: writes the rest at the same offsets and cuts the end.
// The file position of `file` is left at `size`.
bool WriteInPlace(HANDLE file, HANDLE content, LONGLONG from, LONGLONG size);

// True when a rename failed only because someone holds the file open.
bool FailedForSharing(DWORD error);

Path JournalPath(const Path& target);
// Finishes a rewrite a killed process left in its journal. False only when a
// journal is there and could not be applied yet (another program holds a
// byte-range lock on the file, or the disk is full): the file may then be
// torn, so opening or reading it must fail until the journal is applied, and
// nothing may take the journal's place.
bool ReplayJournal(const Path& target);
// True while `target` has a journal that is not applied yet.
bool JournalPending(const Path& target);
// Turns the complete temporary file at `tempPath` into the journal of
// `target`; false, with nothing changed, when a journal is already there.
bool CommitJournal(const Path& tempPath, const Path& target);

}  // namespace runtime::win32
