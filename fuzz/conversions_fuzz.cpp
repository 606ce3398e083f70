// Text-to-number conversions never fail, whatever the bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/conversions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double number = runtime::ToNumber(text);
    const std::int32_t integer = runtime::ToInteger(text);
    runtime::ToFloat(text);

    // Folding twice changes nothing more: it keeps two-byte characters whole.
    const runtime::Text folded = runtime::FoldFullWidth(text);
    if (runtime::FoldFullWidth(folded) != folded) std::abort();
    if (runtime::ToByte(text) != (static_cast<std::uint32_t>(integer) & 0xFF)) std::abort();
    if (runtime::ToInteger(std::string_view(runtime::ToText(integer))) != integer) std::abort();

    const runtime::Text formatted = runtime::NumberToFormattedText(number, static_cast<int>(size % 8), size % 2);
    if (formatted.empty()) std::abort();
    return 0;
}
