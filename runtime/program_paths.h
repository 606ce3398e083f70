#pragma once
#include <string_view>

#include "runtime/gbk_codec.h"

namespace runtime {

// The process's current directory, without a trailing separator (the root
// directory is the empty text, so joining a separator and a name still works).
// A directory that can no longer be named (deleted while the program runs) is
// ".": names joined to it still lead into that directory, where nothing can be
// created, rather than into the root directory that the empty text stands for.
Text CurrentDirectory();
// Directory of the executable, without a trailing separator: the module path
// cut at its last PathSeparator() ('/' on POSIX, '\\' on Windows), two-byte
// characters stepped over whole so a trail byte 0x5C never counts as one.
Text ProgramDirectory();
// The executable's file name with its extension: the module path after that
// separator.
Text ExecutableFileName();

// Where the day files go: the program directory, or, when this process cannot
// create files there (an installed program in a system folder), the current
// directory. Decided afresh on every call.
Text RecordingDirectory();
// True when this process can create a file in the directory (the empty text
// being the root directory), found out with a probe file removed at once;
// false for a missing or deleted directory, a file, a read-only mount, or one
// without write access.
bool DirectoryWritable(std::string_view directory);

// Fixes the module path (GBK) at start-up; tests call it with made-up paths.
// Until it is called the path comes from DetectModulePath().
void SetModulePath(std::string_view modulePath);
// The running executable's own path (from the OS), GBK.
Text DetectModulePath();

}  // namespace runtime
