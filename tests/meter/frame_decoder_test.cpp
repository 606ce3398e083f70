// Frame assembly and decoding over plain bytes and texts, no widgets.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "meter/frame_decoder.h"
#include "meter/reading_display.h"

using namespace meter;

namespace {

using Bytes = std::vector<int>;

struct FrameFields {
    int start = 0xA1;
    int currentCode = 0x10;
    std::array<int, 5> volts{};
    std::array<int, 5> amps{};
    int signCode = 0x2B;
    std::array<int, 3> tenths{};
};

Bytes frameBytes(const FrameFields& f)
{
    Bytes bytes{f.start, 0x07, 0x00, f.currentCode};
    bytes.insert(bytes.end(), f.volts.begin(), f.volts.end());
    bytes.insert(bytes.end(), f.amps.begin(), f.amps.end());
    bytes.push_back(f.signCode);
    bytes.insert(bytes.end(), f.tenths.begin(), f.tenths.end());
    return bytes;
}

const Bytes kExampleFrame = {0xA1, 0x07, 0x00, 0x10, 0x01, 0x02, 0x03, 0x04, 0x05,
                             0x00, 0x01, 0x02, 0x03, 0x04, 0x2B, 0x02, 0x05, 0x03};
const std::string kExampleText = "161.7.0.16.12345.01234.43.253";

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Feeds a stream through the assembler and collects every completed frame
// text, emptying the text after each one as the byte handler does.
std::vector<std::string> completedFrames(const Bytes& stream)
{
    int inFrame = 0;
    int counter = 0;
    runtime::Text text;
    std::vector<std::string> frames;
    for (int byte : stream) {
        if (meter::assembleFrameByte(byte, inFrame, counter, text)) {
            frames.push_back(text);
            EXPECT_EQ(inFrame, 0);
            EXPECT_EQ(counter, 0);
            text.clear();
        }
    }
    return frames;
}

struct AssemblyCase {
    const char* name;
    Bytes stream;
    std::vector<std::string> frames;
};

class Assembly : public ::testing::TestWithParam<AssemblyCase> {};

TEST_P(Assembly, YieldsExactlyTheCompleteFrames)
{
    EXPECT_EQ(completedFrames(GetParam().stream), GetParam().frames);
}

const Bytes kFirst16 = Bytes(kExampleFrame.begin(), kExampleFrame.begin() + 17);  // start + 16

INSTANTIATE_TEST_SUITE_P(
    Streams, Assembly,
    ::testing::Values(
        AssemblyCase{"ExampleFrame", kExampleFrame, {kExampleText}},
        AssemblyCase{"StartByteAndSixteenBytesIsNotAFrame", kFirst16, {}},
        AssemblyCase{"NoiseBeforeAndBetweenFrames",
                     concat({{0x00, 0x41, 0xFF, 159, 163, 0x0D, 0x0A}, kExampleFrame, {0x31, 0x2E, 0x00, 255},
                             kExampleFrame}),
                     {kExampleText, kExampleText}},
        // A frame that lost its last byte: the next start byte arrives in
        // the 17th position, drops it and begins again.
        AssemblyCase{"StartByteInTheLastPositionRestarts", concat({kFirst16, kExampleFrame}), {kExampleText}},
        AssemblyCase{"StartByteMidFrameRestarts",
                     concat({{0xA0, 0x01, 0x02, 0x10, 0x01, 0xA2}, Bytes(kExampleFrame.begin() + 1, kExampleFrame.end())}),
                     {"162.7.0.16.12345.01234.43.253"}},
        AssemblyCase{"DigitBytesOfTenOrMoreLengthenTheirField",
                     frameBytes({0xA0, 0x00, {0, 0, 10, 255, 9}, {0, 0, 0, 0, 100}, 0x2D, {12, 3, 4}}),
                     {"160.7.0.0.00102559.0000100.45.1234"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Decoding: voltage, current and temperature texts.
struct DecodeCase {
    const char* name;
    FrameFields fields;
    const char* voltage;
    const char* current;      // nullptr: the read-out keeps its text
    const char* temperature;  // nullptr: the read-out keeps its text
};

class Decode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, GivesTheReadoutTexts)
{
    const DecodeCase& c = GetParam();
    const std::vector<std::string> frames = completedFrames(frameBytes(c.fields));
    ASSERT_EQ(frames.size(), 1u);
    const auto frame = meter::decodeFrame(frames[0]);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->voltage, c.voltage);
    if (c.current) {
        EXPECT_EQ(frame->current, std::optional<runtime::Text>(c.current));
    } else {
        EXPECT_FALSE(frame->current.has_value());
    }
    if (c.temperature) {
        EXPECT_EQ(frame->temperature, std::optional<runtime::Text>(c.temperature));
    } else {
        EXPECT_FALSE(frame->temperature.has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, Decode,
    ::testing::Values(
        DecodeCase{"Example", {0xA1, 0x10, {1, 2, 3, 4, 5}, {0, 1, 2, 3, 4}, 0x2B, {2, 5, 3}}, "12.345", "1.234",
                   "+25.3"},
        DecodeCase{"Start160", {0xA0, 0x00, {0, 0, 5, 0, 0}, {0, 1, 2, 3, 4}}, "0.0500", "0.1234", "+0.0"},
        DecodeCase{"Start161", {0xA1, 0x00, {0, 0, 5, 0, 0}}, "0.500", "0.0000", "+0.0"},
        DecodeCase{"Start162", {0xA2, 0x00, {0, 0, 5, 0, 0}}, "5.00", "0.0000", "+0.0"},
        DecodeCase{"FullScale162", {0xA2, 0x00, {9, 9, 9, 9, 9}}, "999.99", "0.0000", "+0.0"},
        DecodeCase{"CurrentCode0", {0xA1, 0x00, {}, {0, 1, 2, 3, 4}}, "0.000", "0.1234", "+0.0"},
        DecodeCase{"CurrentCode32", {0xA1, 0x20, {}, {0, 1, 2, 3, 4}}, "0.000", "12.34", "+0.0"},
        DecodeCase{"CurrentCode255Keeps", {0xA1, 255, {}, {0, 1, 2, 3, 4}}, "0.000", nullptr, "+0.0"},
        DecodeCase{"Sign0", {0xA1, 0x10, {}, {}, 0, {2, 5, 3}}, "0.000", "0.000", "+25.3"},
        DecodeCase{"Sign45", {0xA1, 0x10, {}, {}, 45, {2, 5, 3}}, "0.000", "0.000", "-25.3"},
        DecodeCase{"Sign1", {0xA1, 0x10, {}, {}, 1, {2, 5, 3}}, "0.000", "0.000", "125.3"},
        DecodeCase{"NoLeadingZeros", {0xA1, 0x10, {}, {}, 43, {0, 5, 0}}, "0.000", "0.000", "+5.0"},
        DecodeCase{"Sign2Keeps", {0xA1, 0x10, {}, {}, 2, {2, 5, 3}}, "0.000", "0.000", nullptr},
        // Digit bytes are not range-checked: their decimal texts run together.
        DecodeCase{"DigitTwelve", {0xA1, 0x10, {0, 0, 0, 12, 3}, {0, 0, 0, 0, 10}, 43, {0, 0, 15}},
                   "0.123", "0.010", "+1.5"},
        DecodeCase{"DigitsSaturateTheField", {0xA0, 0x20, {255, 255, 255, 255, 255}}, "214748.3647", "0.00",
                   "+0.0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Decode, RejectsTextsThatAreNotAFrame)
{
    for (const char* text : {"", "161", "161.7.0.16.12345.01234.43", "161.7.0.16.12345.01234.43.253.1",
                             "159.7.0.16.12345.01234.43.253", "..............."}) {
        EXPECT_FALSE(meter::decodeFrame(text).has_value()) << text;
    }
}

// Power and resistance from the texts as displayed, through their display rules.
struct DerivedCase {
    const char* voltage;
    const char* current;
    const char* power;
    const char* resistance;  // nullptr: the read-out keeps its text
};

class Derived : public ::testing::TestWithParam<DerivedCase> {};

TEST_P(Derived, PowerAndResistanceTexts)
{
    const DerivedCase& c = GetParam();
    EXPECT_EQ(meter::powerText(meter::powerFrom(c.voltage, c.current)), c.power);
    const auto resistance = meter::resistanceText(meter::resistanceFrom(c.voltage, c.current));
    if (c.resistance) {
        EXPECT_EQ(resistance, std::optional<runtime::Text>(c.resistance));
    } else {
        EXPECT_FALSE(resistance.has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Readouts, Derived,
    ::testing::Values(DerivedCase{"12.345", "1.234", "15.234", "10.004"},
                      DerivedCase{"0.5000", "0.2000", "0.1000", "2.5000"},
                      // Single precision before rounding: 1.23455 as a float is just below the half.
                      DerivedCase{"2.4691", "0.5000", "1.2345", "4.9382"},
                      DerivedCase{"3.0001", "0.5000", "1.5000", "6.0002"},
                      DerivedCase{"1.00", "0.00", "0.0000", "-OVLD-"},
                      DerivedCase{"999.99", "99.99", "99989", "10.001"},  // 99989.0001 W
                      DerivedCase{"99.999", "0.1000", "9.9999", "999.99"},
                      DerivedCase{"10.00", "0.0100", "0.1000", nullptr},   // exactly 1000 Ω
                      DerivedCase{"10.01", "0.0100", "0.1001", "-OVLD-"}));

// Energy and charge over many seconds (an hour is tested through the window).
TEST(Integration, HundredHoursDoNotDrift)
{
    // A single-precision sum would be off by whole percent here: at a few
    // million watt-seconds a float's step is as large as one second's energy.
    double energy = 0.0;
    double charge = 0.0;
    meter::SecondTotals totals;
    constexpr int kSeconds = 100 * 3600;
    for (int second = 0; second < kSeconds; ++second) {
        totals = meter::integrateOneSecond("12.345", "1.234", energy, charge);
    }
    const double watts = double(12.345f) * double(1.234f);
    EXPECT_NEAR(energy, watts * kSeconds, 1e-6 * watts * kSeconds);
    EXPECT_EQ(totals.energy, "1523.4");  // a float sum reads 1518.9
    EXPECT_EQ(totals.charge, "123.40");  // a float sum reads 122.80
}

}  // namespace
