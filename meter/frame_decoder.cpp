#include "meter/frame_decoder.h"

#include <array>
#include <cmath>

#include "meter/reading_display.h"
#include "runtime/conversions.h"
#include "runtime/texts.h"

namespace meter {
namespace {

constexpr int kFrameLength = 18;
constexpr std::size_t kFieldCount = 8;

// Frame text fields (see the wire format in the header).
enum Field : int {
    kStartField = 0,
    kCurrentCodeField = 3,
    kVoltageDigitsField = 4,
    kCurrentDigitsField = 5,
    kSignCodeField = 6,
    kTemperatureDigitsField = 7,
};

struct Scale {
    std::string_view code;
    int decimals;
};
constexpr Scale kVoltageScales[] = {{"160", 4}, {"161", 3}, {"162", 2}};
constexpr Scale kCurrentScales[] = {{"32", 2}, {"16", 3}, {"0", 4}};

struct Prefix {
    std::string_view code;
    std::string_view prefix;
};
// Code 1 prints a hundreds digit: the meter's way of showing 100.0 and up.
constexpr Prefix kTemperaturePrefixes[] = {{"43", "+"}, {"0", "+"}, {"45", "-"}, {"1", "1"}};

constexpr std::array<double, 5> kDivisors = {1.0, 10.0, 100.0, 1000.0, 10000.0};

template <typename Entry, std::size_t N>
const Entry* findCode(const Entry (&table)[N], std::string_view code)
{
    for (const Entry& entry : table) {
        if (entry.code == code) return &entry;
    }
    return nullptr;
}

bool isStartByte(std::string_view byteText) { return findCode(kVoltageScales, byteText) != nullptr; }

// A "." goes in front of bytes 1 to 4, 9, 14 and 15, giving eight fields.
bool separatorBefore(int position)
{
    return position < 5 || position == 9 || position == 14 || position == 15;
}

double scaledDigits(std::string_view digits, int decimals)
{
    return runtime::ToInteger(digits) / kDivisors[static_cast<std::size_t>(decimals)];
}

}  // namespace

bool assembleFrameByte(int byte, int& inFrameFlag, int& byteCounter, runtime::Text& frameText)
{
    const runtime::Text byteText = runtime::ToText(static_cast<std::int32_t>(byte));
    bool complete = false;
    if (inFrameFlag == 1) {
        if (separatorBefore(byteCounter)) frameText.push_back('.');
        frameText.append(byteText);
        if (++byteCounter >= kFrameLength) {
            byteCounter = 0;
            inFrameFlag = 0;
            complete = true;
        }
    }
    // Checked after the append so that a start byte wins even in the last
    // position: a frame that lost a byte is dropped, not decoded shifted.
    if (isStartByte(byteText)) {
        frameText = byteText;
        inFrameFlag = 1;
        byteCounter = 1;
        complete = false;
    }
    return complete;
}

std::optional<DecodedFrame> decodeFrame(std::string_view frameText)
{
    const std::vector<runtime::Text> fields = runtime::SplitText(frameText, ".");
    if (fields.size() != kFieldCount) return std::nullopt;
    const auto field = [&fields](Field index) -> const runtime::Text& {
        return runtime::ArrayItem(fields, index + 1);
    };
    const Scale* voltageScale = findCode(kVoltageScales, field(kStartField));
    if (voltageScale == nullptr) return std::nullopt;

    DecodedFrame frame;
    frame.voltage = voltageText(scaledDigits(field(kVoltageDigitsField), voltageScale->decimals),
                                voltageScale->decimals);
    if (const Scale* scale = findCode(kCurrentScales, field(kCurrentCodeField))) {
        frame.current = fixedText(scaledDigits(field(kCurrentDigitsField), scale->decimals), scale->decimals);
    }
    if (const Prefix* sign = findCode(kTemperaturePrefixes, field(kSignCodeField))) {
        frame.temperature = temperatureText(sign->prefix, scaledDigits(field(kTemperatureDigitsField), 1));
    }
    return frame;
}

float powerFrom(std::string_view voltageText, std::string_view currentText)
{
    return static_cast<float>(runtime::ToNumber(voltageText) * runtime::ToNumber(currentText));
}

float resistanceFrom(std::string_view voltageText, std::string_view currentText)
{
    return static_cast<float>(runtime::ToNumber(voltageText) / runtime::ToNumber(currentText));
}

SecondTotals integrateOneSecond(std::string_view voltageText, std::string_view currentText,
                                double& energyAccumulator, double& chargeAccumulator)
{
    // Whatever the read-outs show at the tick counts for the whole second.
    const double volts = runtime::ToFloat(voltageText);
    const double amps = runtime::ToFloat(currentText);
    energyAccumulator += volts * amps;
    chargeAccumulator += amps;
    return {totalText(energyAccumulator / 3600.0), totalText(chargeAccumulator / 3600.0)};
}

}  // namespace meter
