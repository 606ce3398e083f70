#pragma once
// The meter's wire format, as the simulator produces it.
//
// Binary form, 18 bytes, no checksum and no end marker:
//   0      start byte and voltage scale: 160 = 4 decimals, 161 = 3, 162 = 2
//   1, 2   carried, not used by the console (the simulator sends 7 and 0)
//   3      current decimals: 0 = 4, 16 = 3, 32 = 2
//   4-8    voltage, five digits as byte values 0..9, most significant first
//   9-13   current, five digits
//   14     temperature sign: 45 "-", 43 "+", 0 "+" (the simulator's choice for
//          readings under 10 degrees, where the sign place shows a blank
//          hundreds digit), 1 (the hundreds digit of 100.0 and above)
//   15-17  temperature in tenths of a degree, three digits
// The voltage takes the finest scale its five digits can hold (12.345 V is
// 161 with 1,2,3,4,5). The current keeps its first digit free: 4 decimals
// below 1 A, 3 below 10 A, 2 above (1.234 A is code 16 with 0,1,2,3,4).
//
// Text form (after the "XT" command): one line per reading,
//   "12.345V 1.2340A +25.3C\r\n"
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace meter_sim {

struct MeterSample {
    double volts = 0;
    double amps = 0;
    double celsius = 0;
};

using Frame = std::array<std::uint8_t, 18>;

Frame encodeFrame(const MeterSample& sample);
std::string frameBytes(const Frame& frame);
std::string textLine(const MeterSample& sample);

// "A1 07 00 ..." (spaces, commas or nothing between pairs; an optional 0x)
// -> the bytes; nullopt for anything that is not pairs of hex digits.
std::optional<std::string> parseHexBytes(std::string_view text);

}  // namespace meter_sim
