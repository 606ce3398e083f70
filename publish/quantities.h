#pragma once
// The seven quantities of a row, as every output names them.
#include <array>
#include <optional>
#include <string_view>

#include "publish/readout_number.h"

namespace publish {

struct Quantity {
    std::string_view key;          // JSON key of the state message, HA object id part
    std::string_view title;        // the sensor's name in Home Assistant
    std::string_view unit;         // unit_of_measurement
    std::string_view deviceClass;  // empty: Home Assistant has none for it
    std::string_view stateClass;
    std::optional<double> ReadoutNumbers::*value;
};

// Home Assistant's rules: a device class fixes the units it accepts (V, A, W,
// Wh, °C); energy must be a total, so it is total_increasing (a restart's
// return to 0 reads as a meter reset). Resistance and charge have no device
// class; charge only grows while recording, as energy does.
inline constexpr std::array<Quantity, 7> kQuantities = {{
    {"voltage", "Voltage", "V", "voltage", "measurement", &ReadoutNumbers::voltage},
    {"current", "Current", "A", "current", "measurement", &ReadoutNumbers::current},
    {"power", "Power", "W", "power", "measurement", &ReadoutNumbers::power},
    {"resistance", "Resistance", "\u03A9", "", "measurement", &ReadoutNumbers::resistance},
    {"energy_wh", "Energy", "Wh", "energy", "total_increasing", &ReadoutNumbers::energyWh},
    {"charge_ah", "Charge", "Ah", "", "total_increasing", &ReadoutNumbers::chargeAh},
    {"temperature", "Temperature", "\u00B0C", "temperature", "measurement", &ReadoutNumbers::temperature},
}};

}  // namespace publish
