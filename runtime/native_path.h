#pragma once
// File names in the system's own form: bytes on Linux, UTF-16 on Windows.
// A name read from the system (the working folder, the module path, HOME)
// reaches the call that uses it unchanged. It never passes through a GBK
// text: GBK has no "ö" and no Hangul, so a folder named after its user would
// lose those characters and lead to no file at all, or to an unrelated folder
// literally named "J?rg". GBK stays the encoding of file contents and of the
// program's texts.
#include <filesystem>
#include <string>
#include <string_view>

namespace runtime {

using Path = std::filesystem::path;

// A file name made of ASCII characters ("KZRT2015125.csv", ".ini"), which
// reads the same as a GBK text and as a name on every system. Bytes of 0x80
// and above have no meaning here and are not expected.
Path AsciiName(std::string_view ascii);

// `name` with every occurrence of the ASCII text `ascii` removed, ASCII
// letter case ignored. Works on the name's own units, so a character outside
// ASCII is never cut (UTF-8 and UTF-16 never hold an ASCII unit inside one).
Path WithoutAscii(const Path& name, std::string_view ascii);

// The name as the program's texts can show it, in UTF-8 for the widgets:
// every character GBK has stays as it is; a character GBK lacks, and a byte
// that is no character at all (a Linux name that is not UTF-8), becomes
// U+FFFD. Only for showing: file operations keep using the path itself.
std::string DisplayUtf8(const Path& path);

}  // namespace runtime
