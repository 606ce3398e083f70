// GBK <-> UTF-8 through code page 936 and UTF-16, the Windows way.
#include <windows.h>

#include "runtime/gbk_codec.h"
#include "runtime/gbk_wide_win32.h"

namespace runtime {
namespace {

constexpr UINT kGbkCodePage = 936;

std::wstring ToWide(UINT codePage, std::string_view bytes)
{
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (length > 0) MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
    return wide;
}

std::string FromWide(UINT codePage, std::wstring_view wide)
{
    const int size = static_cast<int>(wide.size());
    // Code page 936 takes a default character; CP_UTF8 refuses one.
    const char* defaultChar = codePage == CP_UTF8 ? nullptr : "?";
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, defaultChar, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    if (length > 0) {
        WideCharToMultiByte(codePage, 0, wide.data(), size, bytes.data(), length, defaultChar,
                            nullptr);
    }
    return bytes;
}

}  // namespace

std::wstring WideFromGbk(std::string_view gbk) { return ToWide(kGbkCodePage, gbk); }
Text GbkFromWide(std::wstring_view wide) { return FromWide(kGbkCodePage, wide); }

Text GbkFromUtf8(std::string_view utf8)
{
    if (IsAscii(utf8)) return Text(utf8);
    return FromWide(kGbkCodePage, ToWide(CP_UTF8, utf8));
}

std::string Utf8FromGbk(std::string_view gbk)
{
    if (IsAscii(gbk)) return std::string(gbk);
    return FromWide(CP_UTF8, ToWide(kGbkCodePage, gbk));
}

}  // namespace runtime
