#pragma once
// Value-to-text and text-to-value conversions with the exact formats that the
// read-outs, the recording rows and the settings file depend on.
#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/gbk_codec.h"

namespace runtime {

// Integers: plain decimal.
Text ToText(std::int32_t value);
Text ToText(std::int64_t value);
// Float: "%.6g".
Text ToText(float value);
// Double: "%.13g" with a signed three-digit exponent on every platform (1e+013).
Text ToText(double value);
// Logical: "真" / "假".
Text ToText(bool value);
inline Text ToText(const Text& value) { return value; }

// Full-width GBK letters and digits (A3 A1..A3 FE) fold to ASCII, and a few
// A1 xx symbols to their ASCII look-alikes; everything else is kept.
Text FoldFullWidth(std::string_view text);

// Leading decimal number after blanks (sign, digits, point, exponent); 0 if none.
double ToNumber(std::string_view text);
// Leading whole number after blanks; 0 if none; saturates at the int32 range.
std::int32_t ToInteger(std::string_view text);
// Truncation toward zero; NaN and values outside int32 give INT32_MIN, as the
// x86 conversion instruction does.
std::int32_t ToInteger(double value);
float ToFloat(std::string_view text);
std::uint8_t ToByte(std::string_view text);

// Half away from zero at n decimals (n < 0 rounds to tens, hundreds ...).
double RoundTo(double x, int decimals);
// RoundTo when decimals is given, "%.13g", then zero-padded to exactly
// `decimals` places; optional thousands separators.
Text NumberToFormattedText(double x, std::optional<int> decimals = std::nullopt,
                           bool thousands = false);

}  // namespace runtime
