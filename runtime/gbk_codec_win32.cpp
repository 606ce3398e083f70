// GBK <-> UTF-8 through code page 936, one character at a time.
// The system's own replacement rules differ from the Linux build's (a
// character outside GBK becomes one '?' per UTF-16 unit, a cut-off lead byte
// becomes '?' instead of U+FFFD, a lead byte swallows the digit after it, and
// code page 936 knows private-use characters GBK does not), so the system is
// asked only whether one character converts, and the replacements are ours.
// Apart from the private use area, code page 936 and glibc's GBK map the same
// characters to the same bytes.
#include <windows.h>

#include <optional>
#include <string>

#include "runtime/gbk_codec.h"
#include "runtime/gbk_sequences.h"

namespace runtime {
namespace {

constexpr UINT kGbkCodePage = 936;

// The code point of one GBK character of one or two bytes, or nothing.
std::optional<char32_t> DecodeGbkCharacter(std::string_view bytes)
{
    wchar_t wide[2];
    const int length = MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                           static_cast<int>(bytes.size()), wide, 2);
    if (length != 1 || gbk::IsPrivateUse(wide[0])) return std::nullopt;
    return wide[0];
}

// Calls `emit` with the code point of each character of `text`, U+FFFD for
// each sequence that is not a GBK character.
template <typename Emit>
void DecodeGbk(std::string_view text, Emit emit)
{
    while (!text.empty()) {
        const auto lead = static_cast<unsigned char>(text[0]);
        if (lead < 0x80) {
            emit(lead);
            text.remove_prefix(1);
            continue;
        }
        // 0x80 alone is the euro sign; any other lead byte needs its trail.
        const std::size_t size = lead == 0x80 ? 1 : 2;
        const std::optional<char32_t> decoded =
            text.size() >= size ? DecodeGbkCharacter(text.substr(0, size)) : std::nullopt;
        emit(decoded.value_or(gbk::kReplacement));
        text.remove_prefix(decoded ? size : gbk::GbkSequenceLength(text));
    }
}

void AppendWide(std::wstring& out, char32_t codePoint)
{
    if (codePoint >= 0x10000) {
        out.push_back(static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(codePoint));
    }
}

// Appends the GBK bytes of one code point; false when GBK has no such
// character. Best-fit look-alikes are refused: they are not the character.
bool AppendGbkCharacter(Text& out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
        return true;
    }
    if (gbk::IsPrivateUse(codePoint)) return false;
    std::wstring wide;
    AppendWide(wide, codePoint);
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                           static_cast<int>(wide.size()), bytes,
                                           sizeof bytes, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return false;
    out.append(bytes, static_cast<std::size_t>(length));
    return true;
}

void AppendGbkOrQuestionMark(Text& out, std::optional<char32_t> codePoint)
{
    if (!codePoint || !AppendGbkCharacter(out, *codePoint)) out.push_back('?');
}

}  // namespace

Text GbkFromUtf8(std::string_view utf8)
{
    if (IsAscii(utf8)) return Text(utf8);
    Text out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::size_t length = gbk::Utf8SequenceLength(utf8);
        AppendGbkOrQuestionMark(out, gbk::DecodeUtf8(utf8.substr(0, length)));
        utf8.remove_prefix(length);
    }
    return out;
}

std::string Utf8FromGbk(std::string_view text)
{
    if (IsAscii(text)) return std::string(text);
    std::string utf8;
    utf8.reserve(text.size() * 3 / 2);
    DecodeGbk(text, [&utf8](char32_t codePoint) { gbk::AppendUtf8(utf8, codePoint); });
    return utf8;
}

}  // namespace runtime
