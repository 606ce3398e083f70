#pragma once
// What the simulated meter measures over time.
//
// battery: a 12 V battery discharged through an electronic load in steps,
//   on an 800 s cycle: 200 s at 0.6 A, 200 s at 6 A, 200 s at 60 A, then
//   200 s of rest (0 A) while it recovers. The voltage sags with the load
//   (8 milliohm inside) and falls slowly with the charge drawn; the current
//   carries a little ripple; the temperature is the load's heat sink, from a
//   cold room (-4 C) up past 100 C at full load and back. Over one cycle
//   every current scale (codes 0, 16, 32) and every temperature sign code
//   (45, 0, 43, 1) appears.
// steady: 12.000 V, 2.0000 A, +25.0 C without noise (for integration checks:
//   24.000 Wh and 2.0000 Ah after an hour).
// sweep: eight readings, one per frame, that walk through every voltage and
//   current scale and every temperature sign code.
#include <cstdint>
#include <optional>
#include <string_view>

#include "tools/meter_sim/meter_frame.h"

namespace meter_sim {

enum class Profile { Battery, Steady, Sweep, None };

std::optional<Profile> parseProfile(std::string_view name);

// The reading at `seconds` of profile time; `frameIndex` counts frames sent
// (the sweep steps by frame, the ripple varies by frame).
MeterSample sampleAt(Profile profile, double seconds, std::uint64_t frameIndex);

constexpr double kBatteryCycleSeconds = 800.0;

}  // namespace meter_sim
