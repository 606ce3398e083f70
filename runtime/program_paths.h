#pragma once
#include <string_view>

#include "runtime/gbk_codec.h"

namespace runtime {

// The process's current directory, without a trailing separator.
Text CurrentDirectory();
// Directory of the executable, without a trailing separator; fixed at start-up.
Text ProgramDirectory();
// The executable's file name with its extension.
Text ExecutableFileName();

// Fixes the module path (GBK) once at start-up; tests call it with made-up paths.
void SetModulePath(std::string_view modulePath);
// The running executable's own path (from the OS), GBK.
Text DetectModulePath();

}  // namespace runtime
