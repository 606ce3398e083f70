// The simulator's frames, profile, pacing and options.
#include <gtest/gtest.h>

#include <set>

#include "tools/meter_sim/line_pacer.h"
#include "tools/meter_sim/meter_frame.h"
#include "tools/meter_sim/meter_profile.h"
#include "tools/meter_sim/sim_options.h"

namespace meter_sim {
namespace {

std::string hex(const std::string& bytes) {
    std::string out;
    char pair[4];
    for (unsigned char c : bytes) {
        std::snprintf(pair, sizeof pair, "%s%02X", out.empty() ? "" : " ", c);
        out += pair;
    }
    return out;
}

struct FrameCase {
    MeterSample sample;
    const char* frame;
    const char* text;
    friend void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.text; }
};

class FrameEncodingTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameEncodingTest, EncodesBothForms) {
    EXPECT_EQ(hex(frameBytes(encodeFrame(GetParam().sample))), GetParam().frame);
    EXPECT_EQ(textLine(GetParam().sample), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Readings, FrameEncodingTest,
    ::testing::Values(
        // The two frames the console's documentation works through.
        FrameCase{{12.345, 1.234, 25.3}, "A1 07 00 10 01 02 03 04 05 00 01 02 03 04 2B 02 05 03",
                  "12.345V 1.234A +25.3C\r\n"},
        FrameCase{{0.5, 0.2, -5.0}, "A0 07 00 00 00 05 00 00 00 00 02 00 00 00 2D 00 05 00",
                  "0.5000V 0.2000A -5.0C\r\n"},
        FrameCase{{123.45, 60.01, 5.0}, "A2 07 00 20 01 02 03 04 05 00 06 00 00 01 00 00 05 00",
                  "123.45V 60.01A +5.0C\r\n"},
        FrameCase{{9.99996, 0.0, 123.4}, "A1 07 00 00 01 00 00 00 00 00 00 00 00 00 01 02 03 04",
                  "10.000V 0.0000A +123.4C\r\n"},
        FrameCase{{2000.0, 5000.0, -300.0}, "A2 07 00 20 09 09 09 09 09 09 09 09 09 09 2D 09 09 09",
                  "999.99V 999.99A -300.0C\r\n"}));

TEST(MeterProfile, ABatteryCycleShowsEveryCurrentScaleAndTemperatureSign) {
    std::set<int> currentCodes, signCodes;
    double lowest = 100, highest = 0;
    for (int tenth = 0; tenth < 8000; ++tenth) {
        const MeterSample s = sampleAt(Profile::Battery, tenth / 10.0, static_cast<std::uint64_t>(tenth));
        const Frame f = encodeFrame(s);
        currentCodes.insert(f[3]);
        signCodes.insert(f[14]);
        lowest = std::min(lowest, s.volts);
        highest = std::max(highest, s.volts);
        EXPECT_GE(s.amps, 0.0);
    }
    EXPECT_EQ(currentCodes, (std::set<int>{0, 16, 32}));
    EXPECT_EQ(signCodes, (std::set<int>{0, 1, 43, 45}));
    EXPECT_GT(lowest, 11.0);
    EXPECT_LT(highest, 13.4);
}

TEST(MeterProfile, BatteryVoltageFallsSlowlyUnderASteadyLoad) {
    // Within the 6 A stage: a few millivolts of noise, a slow downward drift.
    const double early = sampleAt(Profile::Battery, 210, 1).volts;
    const double late = sampleAt(Profile::Battery, 390, 2).volts;
    EXPECT_LT(late, early);
    EXPECT_LT(early - late, 0.5);
    const MeterSample a = sampleAt(Profile::Battery, 300, 3);
    EXPECT_NEAR(a.amps, 6.0, 0.05);  // steady, with ripple
    EXPECT_NE(a.amps, 6.0);
}

TEST(MeterProfile, SteadyAndSweep) {
    EXPECT_EQ(hex(frameBytes(encodeFrame(sampleAt(Profile::Steady, 1234, 99)))),
              "A1 07 00 10 01 02 00 00 00 00 02 00 00 00 2B 02 05 00");
    std::set<int> starts, currentCodes, signCodes;
    for (std::uint64_t i = 0; i < 8; ++i) {
        const Frame f = encodeFrame(sampleAt(Profile::Sweep, 0, i));
        starts.insert(f[0]);
        currentCodes.insert(f[3]);
        signCodes.insert(f[14]);
    }
    EXPECT_EQ(starts, (std::set<int>{160, 161, 162}));
    EXPECT_EQ(currentCodes, (std::set<int>{0, 16, 32}));
    EXPECT_EQ(signCodes, (std::set<int>{0, 1, 43, 45}));
}

TEST(HexBytes, ParsesPairsAndRejectsTheRest) {
    EXPECT_EQ(parseHexBytes("A1 07 00"), std::string("\xA1\x07\x00", 3));
    EXPECT_EQ(parseHexBytes("a1,0x07:ff"), std::string("\xA1\x07\xFF", 3));
    EXPECT_EQ(parseHexBytes("A10700"), std::string("\xA1\x07\x00", 3));
    for (const char* bad : {"", "A", "A1 0", "G1", "A1 -2", "  "}) EXPECT_FALSE(parseHexBytes(bad)) << bad;
}

TEST(LinePacer, ReleasesBytesAtTheLineRate) {
    LinePacer pacer(2400);  // 11 bits per character: 4.583 ms each
    pacer.enqueue(std::string(18, 'x'), 1.0);
    EXPECT_EQ(pacer.release(1.0).size(), 1u);  // the first character starts at once
    EXPECT_EQ(pacer.release(1.0).size(), 0u);
    EXPECT_EQ(pacer.release(1.0 + 0.0459).size(), 10u);
    EXPECT_NEAR(pacer.nextReleaseAt(), 1.0 + 11 * 11.0 / 2400, 1e-9);
    EXPECT_EQ(pacer.release(2.0).size(), 7u);
    EXPECT_EQ(pacer.backlog(), 0u);
    EXPECT_EQ(pacer.nextReleaseAt(), std::numeric_limits<double>::infinity());
    // After an idle spell the line starts when asked.
    pacer.enqueue("ab", 5.0);
    EXPECT_EQ(pacer.release(5.0), "a");
    // Back to back: the next frame starts right after the last character,
    // however late the caller looks.
    LinePacer line(115200, 10);
    line.enqueue("abc", 0.0);
    EXPECT_EQ(line.release(0.01), "abc");
    line.enqueue("de", 0.01 - 0.1);
    EXPECT_EQ(line.release(0.01), "de");
}

TEST(FrameClock, FixedRateSkipsWhenFarBehindAndBackToBackWaitsForTheLine) {
    FrameClock four(4);
    EXPECT_TRUE(four.due(0.0, 0));
    EXPECT_FALSE(four.due(0.2, 0));
    EXPECT_TRUE(four.due(0.25, 0));
    EXPECT_TRUE(four.due(3.0, 0));  // late: one frame, then the rhythm restarts
    EXPECT_FALSE(four.due(3.1, 0));
    EXPECT_TRUE(four.due(3.25, 0));
    FrameClock backToBack(0);
    EXPECT_TRUE(backToBack.due(0.0, 0));
    EXPECT_FALSE(backToBack.due(0.0, 5));
}

TEST(CommandWatch, SpotsXtAcrossSends) {
    CommandWatch watch;
    std::string toggles;
    for (char c : std::string("XTXXTXATX") + "T") toggles += watch.feed(static_cast<std::uint8_t>(c)) ? '1' : '0';
    EXPECT_EQ(toggles, "0100100001");
}

TEST(LineDamage, NoiseAddsAndDropRemovesBytes) {
    std::mt19937 random(7);
    const std::string frame(18, '\x05');
    EXPECT_EQ(damage(frame, 0, 0, random), frame);
    const std::string noisy = damage(frame, 1.0, 0, random);
    EXPECT_GT(noisy.size(), 18u);
    EXPECT_LE(noisy.size(), 26u);
    EXPECT_EQ(noisy.substr(noisy.size() - 18), frame);
    EXPECT_EQ(damage(frame, 0, 1.0, random), "");
    std::size_t kept = 0;
    for (int i = 0; i < 100; ++i) kept += damage(frame, 0, 0.5, random).size();
    EXPECT_NEAR(static_cast<double>(kept) / 1800, 0.5, 0.1);
}

TEST(SimOptions, DefaultsAndValues) {
    const ParsedOptions none = parseOptions({});
    ASSERT_TRUE(none.options);
    EXPECT_EQ(none.options->port, 1);
    EXPECT_EQ(none.options->baud, 2400);
    EXPECT_EQ(none.options->profile, Profile::Battery);

    const ParsedOptions some = parseOptions({"--port", "3", "--baud=115200", "--fps", "0", "--profile", "sweep",
                                             "--noise", "0.1", "--drop=0.01", "--frames-hex", "A1 07", "--once"});
    ASSERT_TRUE(some.options) << some.error;
    EXPECT_EQ(some.options->port, 3);
    EXPECT_EQ(some.options->baud, 115200);
    EXPECT_EQ(some.options->fps, 0.0);
    EXPECT_EQ(some.options->profile, Profile::Sweep);
    EXPECT_DOUBLE_EQ(some.options->noise, 0.1);
    EXPECT_DOUBLE_EQ(some.options->drop, 0.01);
    EXPECT_EQ(some.options->oneShot, "\xA1\x07");
    EXPECT_TRUE(some.options->exitAfterOneShot);
    EXPECT_TRUE(parseOptions({"--help"}).options->help);
}

TEST(SimOptions, RefusesNonsenseWithAReason) {
    const std::vector<std::vector<std::string_view>> bad{
        {"--port", "0"},     {"--baud", "fast"}, {"--fps", "-1"},       {"--profile", "sine"},
        {"--noise", "1.5"},  {"--frames-hex", "zz"}, {"--port"},        {"--bogus", "1"},
        {"--once"},          {"--speed", "0"}};
    for (const auto& args : bad) {
        const ParsedOptions parsed = parseOptions(args);
        EXPECT_FALSE(parsed.options) << args.front();
        EXPECT_FALSE(parsed.error.empty());
    }
}

}  // namespace
}  // namespace meter_sim
