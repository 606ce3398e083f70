#include "tools/meter_sim/meter_frame.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace meter_sim {
namespace {

struct Scaled {
    int digits;     // 0..99999
    int decimals;   // 4, 3 or 2
};

// The finest of 4, 3 or 2 decimals whose five digits hold the value.
Scaled scale(double value) {
    value = std::max(value, 0.0);
    for (int decimals : {4, 3, 2}) {
        const long long digits = std::llround(value * std::pow(10.0, decimals));
        if (digits <= 99999) return {static_cast<int>(digits), decimals};
    }
    return {99999, 2};
}

// The current scale leaves the leading digit 0 below 10 A (and 100 A).
Scaled currentScale(double amps) {
    amps = std::max(amps, 0.0);
    for (int decimals : {4, 3}) {
        const long long digits = std::llround(amps * std::pow(10.0, decimals));
        if (digits <= 9999) return {static_cast<int>(digits), decimals};
    }
    return {static_cast<int>(std::min(std::llround(amps * 100.0), 99999LL)), 2};
}

void putDigits(Frame& frame, std::size_t at, int value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        frame[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value % 10);
        value /= 10;
    }
}

struct Temperature {
    std::uint8_t sign;
    int tenths;  // 0..999
};

Temperature temperature(double celsius) {
    const long long tenths = std::llround(celsius * 10.0);
    if (tenths < 0) return {45, static_cast<int>(std::min(-tenths, 999LL))};
    if (tenths < 100) return {0, static_cast<int>(tenths)};
    if (tenths < 1000) return {43, static_cast<int>(tenths)};
    return {1, static_cast<int>(std::min(tenths - 1000, 999LL))};
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

Frame encodeFrame(const MeterSample& sample) {
    Frame frame{};
    const Scaled volts = scale(sample.volts);
    const Scaled amps = currentScale(sample.amps);
    const Temperature t = temperature(sample.celsius);
    frame[0] = static_cast<std::uint8_t>(160 + (4 - volts.decimals));
    frame[1] = 7;
    frame[2] = 0;
    frame[3] = static_cast<std::uint8_t>(16 * (4 - amps.decimals));
    putDigits(frame, 4, volts.digits, 5);
    putDigits(frame, 9, amps.digits, 5);
    frame[14] = t.sign;
    putDigits(frame, 15, t.tenths, 3);
    return frame;
}

std::string frameBytes(const Frame& frame) { return std::string(frame.begin(), frame.end()); }

std::string textLine(const MeterSample& sample) {
    const Scaled volts = scale(sample.volts);
    const Scaled amps = currentScale(sample.amps);
    char line[64];
    std::snprintf(line, sizeof line, "%.*fV %.*fA %+.1fC\r\n", volts.decimals, volts.digits / std::pow(10.0, volts.decimals),
                  amps.decimals, amps.digits / std::pow(10.0, amps.decimals), std::round(sample.celsius * 10.0) / 10.0);
    return line;
}

std::optional<std::string> parseHexBytes(std::string_view text) {
    std::string bytes;
    int high = -1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (high < 0 && (c == ' ' || c == ',' || c == '\t' || c == ':')) continue;
        if (high < 0 && c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            ++i;
            continue;
        }
        const int v = hexValue(c);
        if (v < 0) return std::nullopt;
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(static_cast<char>(high * 16 + v));
            high = -1;
        }
    }
    if (high >= 0 || bytes.empty()) return std::nullopt;
    return bytes;
}

}  // namespace meter_sim
