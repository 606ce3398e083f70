// Number formatting and parsing that never consult the C locale: the console
// runs inside a toolkit that sets the user's locale, and a decimal comma in a
// recording row or a read-out would break every consumer that reads it back.
#include "runtime/conversions.h"

#include <charconv>
#include <climits>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace runtime {
namespace {

constexpr std::string_view kTrue = "\xD5\xE6";   // 真
constexpr std::string_view kFalse = "\xBC\xD9";  // 假

// "%.<precision>g" in the C locale, then the exponent widened to a sign and
// three digits, as the C runtime of the platform the files come from writes it.
Text FormatGeneral(double value, int precision)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
    Text text(buffer, result.ptr);
    const auto e = text.find('e');
    if (e == Text::npos) return text;
    const std::size_t digitsAt = e + 2;  // to_chars always writes the sign
    const std::size_t digits = text.size() - digitsAt;
    if (digits < 3) text.insert(digitsAt, 3 - digits, '0');
    return text;
}

template <typename Integer>
Text FormatInteger(Integer value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return Text(buffer, result.ptr);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipDigits(std::string_view text, std::size_t i)
{
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i;
}

// The leading number of a folded text: blanks, then an optional sign; the
// returned view starts after the sign.
struct NumberStart {
    bool negative = false;
    std::string_view rest;
};

NumberStart SkipBlanksAndSign(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    NumberStart start;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        start.negative = text[i] == '-';
        ++i;
    }
    start.rest = text.substr(i);
    return start;
}

// Length of "digits [. digits] [e [sign] digits]" at the start of `text`,
// 0 when there is no digit before the exponent.
std::size_t DecimalNumberLength(std::string_view text)
{
    const std::size_t wholeEnd = SkipDigits(text, 0);
    std::size_t end = wholeEnd;
    std::size_t mantissaDigits = wholeEnd;
    if (end < text.size() && text[end] == '.') {
        const std::size_t fractionEnd = SkipDigits(text, end + 1);
        mantissaDigits += fractionEnd - end - 1;
        end = fractionEnd;
    }
    if (mantissaDigits == 0) return 0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
        const std::size_t exponentEnd = SkipDigits(text, exponent);
        if (exponentEnd > exponent) end = exponentEnd;
    }
    return end;
}

// from_chars reports overflow and underflow alike; tell them apart by the
// decimal order of the first significant digit (exponent saturated).
double OutOfRangeValue(std::string_view number)
{
    const auto e = std::min(number.find_first_of("eE"), number.size());
    const std::string_view mantissa = number.substr(0, e);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_not_of("0.");
    if (first == std::string_view::npos) return 0.0;
    long long order = first < point ? static_cast<long long>(point - first) - 1
                                     : -static_cast<long long>(first - point);
    if (e < number.size()) {
        std::string_view exponent = number.substr(e + 1);
        const bool negative = exponent[0] == '-';
        if (exponent[0] == '+' || exponent[0] == '-') exponent.remove_prefix(1);
        long long value = 0;
        for (char c : exponent) value = std::min(value * 10 + (c - '0'), 1'000'000'000LL);
        order += negative ? -value : value;
    }
    return order > 0 ? HUGE_VAL : 0.0;
}

}  // namespace

Text ToText(std::int32_t value) { return FormatInteger(value); }
Text ToText(std::int64_t value) { return FormatInteger(value); }
Text ToText(float value) { return FormatGeneral(static_cast<double>(value), 6); }
Text ToText(double value) { return FormatGeneral(value, 13); }
Text ToText(bool value) { return Text(value ? kTrue : kFalse); }

Text FoldFullWidth(std::string_view text)
{
    Text out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (!IsLeadByte(lead) || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const auto trail = static_cast<unsigned char>(text[++i]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            out.push_back(static_cast<char>(trail & 0x7F));
        } else if (lead == 0xA1 && trail == 0xA1) {
            out.push_back(' ');
        } else if (lead == 0xA1 && trail == 0xAB) {
            out.push_back('~');
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            out.push_back('*');
        } else {
            out.push_back(static_cast<char>(lead));
            out.push_back(static_cast<char>(trail));
        }
    }
    return out;
}

double ToNumber(std::string_view text)
{
    const Text folded = FoldFullWidth(text);
    const NumberStart start = SkipBlanksAndSign(folded);
    const std::string_view number = start.rest.substr(0, DecimalNumberLength(start.rest));
    if (number.empty()) return 0.0;
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) value = OutOfRangeValue(number);
    return start.negative ? -value : value;
}

std::int32_t ToInteger(std::string_view text)
{
    const Text folded = FoldFullWidth(text);
    const NumberStart start = SkipBlanksAndSign(folded);
    const std::size_t digits = SkipDigits(start.rest, 0);
    // Accumulate on the negative side, which holds the larger magnitude.
    std::int64_t value = 0;
    for (std::size_t i = 0; i < digits && value > std::int64_t{INT32_MIN}; ++i) {
        value = value * 10 - (start.rest[i] - '0');
    }
    if (!start.negative) value = -value;
    if (value < INT32_MIN) return INT32_MIN;
    if (value > INT32_MAX) return INT32_MAX;
    return static_cast<std::int32_t>(value);
}

std::int32_t ToInteger(double value)
{
    const double whole = std::trunc(value);
    if (!(whole >= -2147483648.0 && whole <= 2147483647.0)) return INT32_MIN;
    return static_cast<std::int32_t>(whole);
}

float ToFloat(std::string_view text) { return static_cast<float>(ToNumber(text)); }

std::uint8_t ToByte(std::string_view text)
{
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(ToInteger(text)) & 0xFF);
}

namespace {

// 10^n for the decimals every read-out uses: exact doubles, the same values
// std::pow gives, without its cost on every decoded frame.
double powerOfTen(int n)
{
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    return n < int(std::size(kPowers)) ? kPowers[n] : std::pow(10.0, n);
}

}  // namespace

double RoundTo(double x, int decimals)
{
    if (!std::isfinite(x)) return x;
    const double scale = powerOfTen(std::abs(decimals));
    double magnitude = std::fabs(x);
    if (decimals > 0) magnitude *= scale;
    if (decimals < 0) magnitude /= scale;
    if (!std::isfinite(magnitude)) return x;  // no digit of x lies that far right
    magnitude += 1e-12;
    double whole = 0.0;
    const double fraction = std::modf(magnitude, &whole);
    if (fraction >= 0.5) whole += 1.0;
    if (whole == 0.0) return x < 0 ? -0.0 : 0.0;  // 0 * inf would be NaN
    if (decimals > 0) whole /= scale;
    if (decimals < 0) whole *= scale;
    return x < 0 ? -whole : whole;
}

Text NumberToFormattedText(double x, std::optional<int> decimals, bool thousands)
{
    if (decimals) x = RoundTo(x, *decimals);
    Text text = ToText(x);
    const bool plain = text.find_first_not_of("-0123456789.") == Text::npos;
    if (decimals && *decimals > 0 && plain) {
        auto point = text.find('.');
        if (point == Text::npos) {
            point = text.size();
            text.push_back('.');
        }
        const std::size_t have = text.size() - point - 1;
        const auto want = static_cast<std::size_t>(*decimals);
        if (have < want) text.append(want - have, '0');
    }
    if (thousands && plain) {
        const std::size_t digitsBegin = text[0] == '-' ? 1 : 0;
        std::size_t groupEnd = std::min(text.find('.'), text.size());
        while (groupEnd > digitsBegin + 3) {
            groupEnd -= 3;
            text.insert(groupEnd, 1, ',');
        }
    }
    return text;
}

}  // namespace runtime
