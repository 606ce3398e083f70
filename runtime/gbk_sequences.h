#pragma once
// The rules both GBK codecs share for what one undecodable or unmappable
// character is, so that the Linux and the Windows build replace exactly the
// same bytes with exactly one replacement each.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace runtime::gbk {

// Length of the UTF-8 sequence that starts `in` (not empty): the length its
// lead byte announces, cut at the first byte that is not a continuation.
std::size_t Utf8SequenceLength(std::string_view in);
// Length of the GBK character that starts `in` (not empty): a lead byte whose
// follower cannot be a trail byte stands alone, so an ASCII byte after it
// survives.
std::size_t GbkSequenceLength(std::string_view in);

// The code point of one whole UTF-8 sequence; nothing for an overlong form, a
// surrogate, a value beyond U+10FFFF or a cut-off sequence.
std::optional<char32_t> DecodeUtf8(std::string_view sequence);
void AppendUtf8(std::string& out, char32_t codePoint);

// The user-defined areas of code page 936 map to the private use area; GBK as
// the console's texts know it has no such characters.
constexpr bool IsPrivateUse(char32_t codePoint) { return codePoint >= 0xE000 && codePoint <= 0xF8FF; }

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace runtime::gbk
