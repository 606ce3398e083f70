#include "runtime/gbk_sequences.h"

namespace runtime::gbk {
namespace {

constexpr bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::size_t Utf8SequenceLength(std::string_view in)
{
    const auto lead = static_cast<unsigned char>(in[0]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    std::size_t i = 1;
    while (i < length && i < in.size() && IsContinuation(static_cast<unsigned char>(in[i]))) ++i;
    return i;
}

std::size_t GbkSequenceLength(std::string_view in)
{
    if (in.size() < 2) return in.size();
    const auto trail = static_cast<unsigned char>(in[1]);
    return (trail >= 0x40 && trail != 0x7F && trail != 0xFF) ? 2 : 1;
}

std::optional<char32_t> DecodeUtf8(std::string_view sequence)
{
    const auto lead = static_cast<unsigned char>(sequence[0]);
    if (lead < 0x80) return lead;
    struct Form {
        unsigned char minLead, maxLead;
        std::size_t length;
        char32_t leadMask, minimum;
    };
    static constexpr Form kForms[] = {
        {0xC2, 0xDF, 2, 0x1F, 0x80}, {0xE0, 0xEF, 3, 0x0F, 0x800}, {0xF0, 0xF4, 4, 0x07, 0x10000}};
    for (const Form& form : kForms) {
        if (lead < form.minLead || lead > form.maxLead) continue;
        if (sequence.size() != form.length) return std::nullopt;
        char32_t codePoint = lead & form.leadMask;
        for (std::size_t i = 1; i < form.length; ++i) {
            const auto c = static_cast<unsigned char>(sequence[i]);
            if (!IsContinuation(c)) return std::nullopt;
            codePoint = (codePoint << 6) | (c & 0x3F);
        }
        const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
        if (codePoint < form.minimum || codePoint > 0x10FFFF || surrogate) return std::nullopt;
        return codePoint;
    }
    return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t codePoint)
{
    const auto put = [&out](char32_t bits) { out.push_back(static_cast<char>(bits)); };
    if (codePoint < 0x80) {
        put(codePoint);
    } else if (codePoint < 0x800) {
        put(0xC0 | (codePoint >> 6));
        put(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        put(0xE0 | (codePoint >> 12));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    } else {
        put(0xF0 | (codePoint >> 18));
        put(0x80 | ((codePoint >> 12) & 0x3F));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace runtime::gbk
