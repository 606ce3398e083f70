#pragma once
// Every text of the console is a GBK byte string. Widgets and the file system
// on Linux speak UTF-8/UTF-16, so conversion happens here and only at those edges.
#include <string>
#include <string_view>

namespace runtime {

using Text = std::string;  // GBK bytes

// UTF-8 (source literals, Linux file names) -> GBK. Characters GBK lacks become '?'.
Text GbkFromUtf8(std::string_view utf8);
// GBK -> UTF-8. Invalid sequences become U+FFFD.
std::string Utf8FromGbk(std::string_view gbk);

// Shorthand for source literals: Gbk("电压") is the GBK text of the UTF-8 literal.
inline Text Gbk(std::string_view utf8) { return GbkFromUtf8(utf8); }

// True when byte c starts a two-byte GBK character.
constexpr bool IsLeadByte(unsigned char c) { return c >= 0x80; }

// True when the text is plain ASCII, which reads the same in GBK and UTF-8.
constexpr bool IsAscii(std::string_view text)
{
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

}  // namespace runtime
