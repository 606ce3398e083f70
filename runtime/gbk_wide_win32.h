#pragma once
// Windows only: GBK texts to and from the UTF-16 of the wide API, which keeps
// every character of a file name whatever the system's ANSI code page is.
#include <string>
#include <string_view>

#include "runtime/gbk_codec.h"

namespace runtime {

std::wstring WideFromGbk(std::string_view gbk);
Text GbkFromWide(std::wstring_view wide);

}  // namespace runtime
