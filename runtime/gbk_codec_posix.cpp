// GBK <-> UTF-8 through glibc iconv. One pair of converters per thread, opened
// on first use, so concurrent callers (the serial reader thread included)
// never share conversion state.
#include <iconv.h>

#include <cerrno>
#include <cstddef>

#include "runtime/gbk_codec.h"
#include "runtime/gbk_sequences.h"

namespace runtime {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD

class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid()) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; returns false at an unconvertible or
    // incomplete sequence, leaving `in` at it.
    bool convert(std::string_view& in, std::string& out)
    {
        char buffer[1024];
        while (!in.empty()) {
            char* inPtr = const_cast<char*>(in.data());
            std::size_t inLeft = in.size();
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            std::size_t rc = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            in.remove_prefix(in.size() - inLeft);
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
                iconv(m_cd, nullptr, nullptr, nullptr, nullptr);  // reset shift state
                return false;
            }
        }
        return true;
    }

private:
    iconv_t m_cd;
};

Converter& GbkToUtf8Converter()
{
    thread_local Converter converter("UTF-8", "GBK");
    return converter;
}

Converter& Utf8ToGbkConverter()
{
    thread_local Converter converter("GBK", "UTF-8");
    return converter;
}

}  // namespace

Text GbkFromUtf8(std::string_view utf8)
{
    if (IsAscii(utf8)) return Text(utf8);
    Converter& converter = Utf8ToGbkConverter();
    Text out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        if (converter.valid() && converter.convert(utf8, out)) break;
        out.push_back('?');
        utf8.remove_prefix(gbk::Utf8SequenceLength(utf8));
    }
    return out;
}

std::string Utf8FromGbk(std::string_view gbk)
{
    if (IsAscii(gbk)) return std::string(gbk);
    Converter& converter = GbkToUtf8Converter();
    std::string out;
    out.reserve(gbk.size() * 3 / 2);
    while (!gbk.empty()) {
        if (converter.valid() && converter.convert(gbk, out)) break;
        out.append(kReplacementUtf8);
        gbk.remove_prefix(gbk::GbkSequenceLength(gbk));
    }
    return out;
}

}  // namespace runtime
