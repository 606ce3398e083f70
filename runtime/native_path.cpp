#include "runtime/native_path.h"

#include <cstdint>
#include <type_traits>

#include "runtime/gbk_codec.h"
#include "runtime/gbk_sequences.h"

namespace runtime {
namespace {

using Unit = Path::value_type;
constexpr bool kWideNames = std::is_same_v<Unit, wchar_t>;

// A unit's value whether the system's unit type is signed (char) or not.
constexpr std::uint32_t ValueOf(Unit unit) { return static_cast<std::make_unsigned_t<Unit>>(unit); }

constexpr std::uint32_t LowerAscii(std::uint32_t value)
{
    return value >= 'A' && value <= 'Z' ? value - 'A' + 'a' : value;
}

bool MatchesAt(const Path::string_type& name, std::size_t at, std::string_view ascii)
{
    if (name.size() - at < ascii.size()) return false;
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        if (LowerAscii(ValueOf(name[at + i])) != LowerAscii(static_cast<unsigned char>(ascii[i]))) return false;
    }
    return true;
}

// Calls `emit` with each character of the name, U+FFFD for each unit that
// starts no character.
template <typename Emit>
void DecodeName(const Path::string_type& name, Emit emit)
{
    if constexpr (kWideNames) {
        for (std::size_t i = 0; i < name.size(); ++i) {
            const char32_t unit = ValueOf(name[i]);
            const char32_t next = i + 1 < name.size() ? ValueOf(name[i + 1]) : 0;
            const bool high = unit >= 0xD800 && unit <= 0xDBFF;
            const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
            if (high && next >= 0xDC00 && next <= 0xDFFF) {
                emit(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
            } else {
                emit(high || low ? gbk::kReplacement : unit);  // a lone surrogate is no character
            }
        }
    } else {
        std::string_view bytes(name);
        while (!bytes.empty()) {
            const std::size_t length = gbk::Utf8SequenceLength(bytes);
            emit(gbk::DecodeUtf8(bytes.substr(0, length)).value_or(gbk::kReplacement));
            bytes.remove_prefix(length);
        }
    }
}

bool GbkHas(char32_t codePoint)
{
    if (codePoint < 0x80) return true;
    if (codePoint == gbk::kReplacement) return false;
    std::string utf8;
    gbk::AppendUtf8(utf8, codePoint);
    return GbkFromUtf8(utf8) != "?";
}

}  // namespace

Path AsciiName(std::string_view ascii)
{
    return Path(Path::string_type(ascii.begin(), ascii.end()));
}

Path WithoutAscii(const Path& name, std::string_view ascii)
{
    const Path::string_type& units = name.native();
    if (ascii.empty()) return name;
    Path::string_type kept;
    kept.reserve(units.size());
    for (std::size_t i = 0; i < units.size();) {
        if (MatchesAt(units, i, ascii)) {
            i += ascii.size();
        } else {
            kept.push_back(units[i++]);
        }
    }
    return Path(std::move(kept));
}

std::string DisplayUtf8(const Path& path)
{
    std::string utf8;
    DecodeName(path.native(), [&utf8](char32_t codePoint) {
        gbk::AppendUtf8(utf8, GbkHas(codePoint) ? codePoint : gbk::kReplacement);
    });
    return utf8;
}

}  // namespace runtime
