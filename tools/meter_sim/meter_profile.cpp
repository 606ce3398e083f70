#include "tools/meter_sim/meter_profile.h"

#include <array>
#include <cmath>

namespace meter_sim {
namespace {

constexpr double kStageSeconds = kBatteryCycleSeconds / 4;
constexpr std::array<double, 4> kStageAmps{0.6, 6.0, 60.0, 0.0};
// Heat-sink temperature each stage heads for, and how fast.
constexpr std::array<double, 4> kStageTargetCelsius{2.0, 45.0, 125.0, -4.0};
constexpr std::array<double, 4> kStageTimeConstant{60.0, 60.0, 60.0, 30.0};
constexpr double kColdRoomCelsius = -4.0;
constexpr double kInternalOhms = 0.008;
constexpr double kPi = 3.14159265358979323846;

// A repeatable value in [-1, 1] for a frame: noise that tests can predict.
double jitter(std::uint64_t frameIndex, std::uint64_t salt) {
    std::uint64_t x = frameIndex * 0x9E3779B97F4A7C15ull + salt;
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    return static_cast<double>(x >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

double heatSinkCelsius(int stage, double intoStage) {
    double start = kColdRoomCelsius;
    for (int s = 0; s < stage; ++s)
        start = kStageTargetCelsius[s] + (start - kStageTargetCelsius[s]) * std::exp(-kStageSeconds / kStageTimeConstant[s]);
    return kStageTargetCelsius[stage] + (start - kStageTargetCelsius[stage]) * std::exp(-intoStage / kStageTimeConstant[stage]);
}

MeterSample battery(double seconds, std::uint64_t frameIndex) {
    const double intoCycle = std::fmod(std::max(seconds, 0.0), kBatteryCycleSeconds);
    const int stage = static_cast<int>(intoCycle / kStageSeconds);
    const double intoStage = intoCycle - stage * kStageSeconds;
    const double progress = intoCycle / kBatteryCycleSeconds;

    const double setAmps = kStageAmps[stage];
    const double ripple = setAmps * (0.003 * std::sin(2 * kPi * 0.7 * seconds) + 0.001 * jitter(frameIndex, 1));
    const double amps = setAmps + ripple;
    // Open-circuit voltage falls with the charge drawn, faster near the end.
    const double openCircuit = 13.30 - 1.0 * progress - 0.4 * std::pow(progress, 4);
    const double volts = openCircuit - amps * kInternalOhms + 0.002 * jitter(frameIndex, 2);
    const double celsius = heatSinkCelsius(stage, intoStage) + 0.05 * jitter(frameIndex, 3);
    return {volts, std::max(amps, 0.0), celsius};
}

MeterSample sweep(std::uint64_t frameIndex) {
    static constexpr std::array<MeterSample, 8> kSteps{{
        {1.2345, 0.5, -5.0},     // 160, code 0, sign 45
        {12.345, 1.234, 25.3},   // 161, code 16, sign 43
        {123.45, 12.34, 5.0},    // 162, code 32, sign 0
        {5.0, 123.45, 123.4},    // 160, code 32, sign 1
        {48.0, 4.5678, 99.9},    // 161, code 16, sign 43
        {0.0, 0.0, 0.0},         // zero current: the console shows -OVLD- ohms
        {999.99, 999.99, 199.9}, // largest of everything
        {3.3, 0.0123, -12.5},
    }};
    return kSteps[frameIndex % kSteps.size()];
}

}  // namespace

std::optional<Profile> parseProfile(std::string_view name) {
    if (name == "battery") return Profile::Battery;
    if (name == "steady") return Profile::Steady;
    if (name == "sweep") return Profile::Sweep;
    if (name == "none") return Profile::None;
    return std::nullopt;
}

MeterSample sampleAt(Profile profile, double seconds, std::uint64_t frameIndex) {
    switch (profile) {
        case Profile::Battery: return battery(seconds, frameIndex);
        case Profile::Steady: return {12.0, 2.0, 25.0};
        case Profile::Sweep: return sweep(frameIndex);
        case Profile::None: break;
    }
    return {};
}

}  // namespace meter_sim
