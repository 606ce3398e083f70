#include "meter/reading_display.h"

#include <cmath>

#include "runtime/conversions.h"
#include "runtime/texts.h"

namespace meter {
namespace {

// 4 decimals below 10, 3 below 100, 2 below 1000, 1 below 10000, stopping
// at `top`; nothing when the value reaches `top` (or is not a number).
std::optional<int> decimalsByMagnitude(double value, double top)
{
    int decimals = 4;
    for (double limit = 10.0; limit <= top; limit *= 10.0, --decimals) {
        if (isBelow(value, limit)) return decimals;
    }
    return std::nullopt;
}

}  // namespace

runtime::Text fixedText(double value, int decimals)
{
    return runtime::NumberToFormattedText(value, decimals);
}

runtime::Text voltageText(double volts, int decimals) { return fixedText(volts, decimals); }

runtime::Text powerText(float watts)
{
    const double value = watts;
    if (const auto decimals = decimalsByMagnitude(value, 10000.0)) return fixedText(value, *decimals);
    if (isBelow(value, 100000.0)) return fixedText(value, 0);
    return runtime::Text(kOverloadText);
}

std::optional<runtime::Text> resistanceText(float ohms)
{
    const double value = ohms;
    // A current of 0 gives an infinite quotient, or not a number at 0 V.
    if (isAbove(value, 1000.0) || isBelow(value, 0.0) || std::isnan(value)) {
        return runtime::Text(kOverloadText);
    }
    if (const auto decimals = decimalsByMagnitude(value, 1000.0)) return fixedText(value, *decimals);
    return std::nullopt;
}

std::optional<runtime::Text> totalText(double value)
{
    if (const auto decimals = decimalsByMagnitude(value, 10000.0)) return fixedText(value, *decimals);
    if (isAbove(value, 10000.0)) return fixedText(value, 0);
    return std::nullopt;
}

runtime::Text temperatureText(std::string_view prefix, double celsius)
{
    return runtime::JoinTexts({prefix, fixedText(celsius, 1)});
}

runtime::Text updateStampText(runtime::DateTime when)
{
    // Printed from a double, which shows a whole number without a point.
    const double secondsInHour = runtime::TimePart(when, 7) * 60.0 + runtime::TimePart(when, 8);
    return runtime::ToText(secondsInHour);
}

}  // namespace meter
