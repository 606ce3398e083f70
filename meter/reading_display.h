#pragma once
// The texts that the read-outs receive: pure functions over plain values.
//
// Every numeric text is rounded half away from zero and padded to exactly
// its number of decimals (1.2 at 4 decimals reads 1.2000). Power, resistance,
// energy and charge choose their decimals by magnitude, so the read-out keeps
// five significant digits as the value grows.
#include <optional>
#include <string_view>

#include "runtime/date_time.h"
#include "runtime/gbk_codec.h"

namespace meter {

inline constexpr std::string_view kOverloadText = "-OVLD-";

// Band limits are compared with a small tolerance: a value a hair away from
// the limit belongs to the limit.
inline constexpr double kBandTolerance = 1e-7;
constexpr bool isBelow(double x, double limit) { return x - limit < -kBandTolerance; }
constexpr bool isAbove(double x, double limit) { return x - limit > kBandTolerance; }

// A value with exactly `decimals` decimals: voltage, current, temperature.
runtime::Text fixedText(double value, int decimals);

// Voltage: 4 decimals under start byte 160, 3 under 161, 2 under 162.
runtime::Text voltageText(double volts, int decimals);

// Power, held in single precision: 4 decimals below 10 W down to 0 below
// 100000 W, "-OVLD-" from there on (and for a value that is not a number).
runtime::Text powerText(float watts);

// Resistance, held in single precision: "-OVLD-" above 1000 Ω, below 0 or
// not a number (a current of 0); 4 to 2 decimals below 1000. A value within
// the tolerance of 1000 gives nothing: the read-out keeps its text.
std::optional<runtime::Text> resistanceText(float ohms);

// Energy (Wh) and charge (Ah): 4 decimals below 10 down to 0 above 10000,
// no overload text. A value within the tolerance of 10000 gives nothing: the
// read-out keeps its text for that second.
std::optional<runtime::Text> totalText(double value);

// Temperature: the sign code's prefix ("+", "-" or "1") and one decimal.
runtime::Text temperatureText(std::string_view prefix, double celsius);

// Update stamp: minute × 60 + second of the time, a whole number 0..3599.
runtime::Text updateStampText(runtime::DateTime when);

}  // namespace meter
