#pragma once
// Read-out texts as numbers, for outputs that carry numbers.
#include <optional>
#include <string_view>

#include "publish/meter_tick.h"

namespace publish {

// The number a read-out text shows, or nothing for "-OVLD-", an empty text or
// anything else that is not wholly a decimal number. A leading "+" (the
// temperature's sign) is accepted.
std::optional<double> readoutNumber(std::string_view text);

struct ReadoutNumbers {
    std::optional<double> voltage;
    std::optional<double> current;
    std::optional<double> power;
    std::optional<double> resistance;
    std::optional<double> energyWh;
    std::optional<double> chargeAh;
    std::optional<double> temperature;
};
ReadoutNumbers readoutNumbers(const ReadoutTexts& texts);

}  // namespace publish
