#pragma once
#include <string_view>

#include "runtime/gbk_codec.h"

namespace runtime {

// The process's current directory, without a trailing separator (the root
// directory is the empty text, so joining a separator and a name still works).
Text CurrentDirectory();
// Directory of the executable, without a trailing separator: the module path
// cut at its last PathSeparator() ('/' on POSIX, '\\' on Windows), two-byte
// characters stepped over whole so a trail byte 0x5C never counts as one.
Text ProgramDirectory();
// The executable's file name with its extension: the module path after that
// separator.
Text ExecutableFileName();

// Fixes the module path (GBK) at start-up; tests call it with made-up paths.
// Until it is called the path comes from DetectModulePath().
void SetModulePath(std::string_view modulePath);
// The running executable's own path (from the OS), GBK.
Text DetectModulePath();

}  // namespace runtime
