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
// Without these a literal would pick the bool overload.
inline Text ToText(std::string_view value) { return Text(value); }
inline Text ToText(const char* value) { return value ? Text(value) : Text(); }

// Full-width GBK letters and digits (A3 A1..A3 FE) fold to ASCII, and a few
// A1 xx symbols to their ASCII look-alikes; everything else is kept.
Text FoldFullWidth(std::string_view text);

// Leading decimal number after blanks (sign, digits, point, exponent); 0 if none.
double ToNumber(std::string_view text);
// Leading whole number after blanks; 0 if none. Digits beyond the int32 range
// saturate at INT32_MIN / INT32_MAX rather than wrap.
std::int32_t ToInteger(std::string_view text);
// Truncation toward zero; NaN and values outside int32 give INT32_MIN, as the
// x86 conversion instruction does.
std::int32_t ToInteger(double value);
// ToNumber narrowed to single precision.
float ToFloat(std::string_view text);
// Low byte of ToInteger (after its saturation).
std::uint8_t ToByte(std::string_view text);

// Half away from zero at n decimals (n < 0 rounds to tens, hundreds ...).
// A scale beyond the double range leaves x as it is (n > 0) or gives 0 (n < 0).
double RoundTo(double x, int decimals);
// RoundTo when decimals is given, "%.13g", then zero-padded to exactly
// `decimals` places; optional thousands separators. Exponent forms
// (1e+020, 1e-005) and non-finite values are neither padded nor grouped.
Text NumberToFormattedText(double x, std::optional<int> decimals = std::nullopt,
                           bool thousands = false);

}  // namespace runtime
