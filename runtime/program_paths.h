#pragma once
// Where the program stands and where it came from, as the system names them
// (runtime/native_path.h): never a GBK text.
#include "runtime/native_path.h"

namespace runtime {

// The process's current directory. A directory that can no longer be named
// (deleted while the program runs) is ".": names joined to it still lead into
// that directory, where nothing can be created, and never into the root.
Path CurrentDirectory();
// Directory of the executable: the module path without its last component.
Path ProgramDirectory();
// The executable's file name with its extension: the module path's last
// component.
Path ExecutableFileName();

// Where the day files go: the program directory, or, when this process cannot
// create files there (an installed program in a system folder), the current
// directory. Decided afresh on every call.
Path RecordingDirectory();
// Started from a menu entry that gave it a folder of its own (--home-folder),
// the console keeps its day files there too, never in the program directory:
// an installer puts that under Program Files, where an elevated or a wine
// process could write but no user's files belong. Set once at start-up.
void KeepRecordingsInWorkingDirectory(bool keep);
// True when this process can create a file in the directory, found out with a
// probe file removed at once; false for a missing or deleted directory, a
// file, a read-only mount, or one without write access.
bool DirectoryWritable(const Path& directory);

// Fixes the module path at start-up; tests call it with made-up paths.
// Until it is called the path comes from DetectModulePath().
void SetModulePath(const Path& modulePath);
// The running executable's own path, from the OS.
Path DetectModulePath();

// The user's home as the system holds it (HOME on POSIX, USERPROFILE on
// Windows), or the empty path when it is unset.
Path HomeDirectory();

}  // namespace runtime
