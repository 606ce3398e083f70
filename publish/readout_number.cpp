#include "publish/readout_number.h"

#include <charconv>
#include <cmath>

namespace publish {

std::optional<double> readoutNumber(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    // Only plain decimals: from_chars would also take "inf", "nan" and hex.
    for (const char c : text) {
        if (!(c >= '0' && c <= '9') && c != '.' && c != '-') return std::nullopt;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

ReadoutNumbers readoutNumbers(const ReadoutTexts& texts) {
    return {readoutNumber(texts.voltage),  readoutNumber(texts.current),  readoutNumber(texts.power),
            readoutNumber(texts.resistance), readoutNumber(texts.energyWh), readoutNumber(texts.chargeAh),
            readoutNumber(texts.temperature)};
}

}  // namespace publish
