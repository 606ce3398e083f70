#include <gtest/gtest.h>

#include <set>

#include "tools/meter_sim/line_pacer.h"
#include "tools/meter_sim/meter_frame.h"
#include "tools/meter_sim/meter_profile.h"
#include "tools/meter_sim/sim_options.h"

namespace meter_sim {
namespace {

TEST(MeterFrame, EncodesBothForms) {
    const struct {
        MeterSample sample;
        const char* frame;
        const char* text;
    } table[] = {
        // The two frames the console's documentation works through.
        {{12.345, 1.234, 25.3}, "A1 07 00 10 01 02 03 04 05 00 01 02 03 04 2B 02 05 03", "12.345V 1.234A +25.3C\r\n"},
        {{0.5, 0.2, -5.0}, "A0 07 00 00 00 05 00 00 00 00 02 00 00 00 2D 00 05 00", "0.5000V 0.2000A -5.0C\r\n"},
        {{123.45, 60.01, 5.0}, "A2 07 00 20 01 02 03 04 05 00 06 00 00 01 00 00 05 00", "123.45V 60.01A +5.0C\r\n"},
        {{9.99996, 0.0, 123.4}, "A1 07 00 00 01 00 00 00 00 00 00 00 00 00 01 02 03 04", "10.000V 0.0000A +123.4C\r\n"},
        {{2e3, 5e3, -300.0}, "A2 07 00 20 09 09 09 09 09 09 09 09 09 09 2D 09 09 09", "999.99V 999.99A -300.0C\r\n"},
    };
    for (const auto& c : table) {
        EXPECT_EQ(frameBytes(encodeFrame(c.sample)), parseHexBytes(c.frame)) << c.text;
        EXPECT_EQ(textLine(c.sample), c.text);
    }
}

TEST(MeterProfile, BatteryCycleAndSweepShowEveryScaleAndTemperatureSign) {
    for (Profile profile : {Profile::Battery, Profile::Sweep}) {
        std::set<int> voltageCodes, currentCodes, signCodes;
        for (int tenth = 0; tenth < 8000; ++tenth) {  // one battery cycle
            const Frame f = encodeFrame(sampleAt(profile, tenth / 10.0, static_cast<std::uint64_t>(tenth)));
            voltageCodes.insert(f[0]);
            currentCodes.insert(f[3]);
            signCodes.insert(f[14]);
        }
        EXPECT_EQ(voltageCodes.size(), profile == Profile::Sweep ? 3u : 1u);  // a 12 V battery keeps 3 decimals
        EXPECT_EQ(currentCodes, (std::set<int>{0, 16, 32}));
        EXPECT_EQ(signCodes, (std::set<int>{0, 1, 43, 45}));
    }
}

TEST(HexBytes, ParsesPairsAndRejectsTheRest) {
    EXPECT_EQ(parseHexBytes("a1,0x07:ff"), std::string("\xA1\x07\xFF", 3));
    EXPECT_EQ(parseHexBytes("A10700"), std::string("\xA1\x07\x00", 3));
    for (const char* bad : {"", "A", "A1 0", "G1", "A1 -2", "  "}) EXPECT_FALSE(parseHexBytes(bad)) << bad;
}

TEST(LinePacer, ReleasesBytesAtTheLineRate) {
    LinePacer pacer(2400);  // 11 bits per character: 4.583 ms each
    pacer.enqueue(std::string(18, 'x'), 1.0);
    EXPECT_EQ(pacer.release(1.0).size(), 1u);  // the first character starts at once
    EXPECT_EQ(pacer.release(1.0 + 0.0459).size(), 10u);
    EXPECT_NEAR(pacer.nextReleaseAt(), 1.0 + 11 * 11.0 / 2400, 1e-9);
    EXPECT_EQ(pacer.release(2.0).size(), 7u);
    EXPECT_EQ(pacer.nextReleaseAt(), std::numeric_limits<double>::infinity());
    // After an idle spell the line starts when asked.
    pacer.enqueue("ab", 5.0);
    EXPECT_EQ(pacer.release(5.0), "a");
    // Back to back: the next frame follows the last character, however late the caller looks.
    LinePacer line(115200, 10);
    line.enqueue("abc", 0.0);
    EXPECT_EQ(line.release(0.01), "abc");
    line.enqueue("de", 0.01 - 0.1);
    EXPECT_EQ(line.release(0.01), "de");
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
}

TEST(SimOptions, ParsesValuesAndRefusesNonsenseWithAReason) {
    // The end-to-end test runs the port, profile, rate and one-shot options.
    ASSERT_TRUE(parseOptions({}).options);
    const ParsedOptions some = parseOptions({"--noise", "0.1", "--drop=0.01", "--frames-hex", "A1 07", "--once"});
    ASSERT_TRUE(some.options) << some.error;
    EXPECT_DOUBLE_EQ(some.options->noise, 0.1);
    EXPECT_DOUBLE_EQ(some.options->drop, 0.01);
    EXPECT_TRUE(some.options->exitAfterOneShot);

    const std::vector<std::vector<std::string_view>> bad{
        {"--port", "0"},        {"--baud", "fast"}, {"--fps", "-1"},    {"--profile", "sine"}, {"--noise", "1.5"},
        {"--frames-hex", "zz"}, {"--port"},         {"--bogus", "1"}, {"--once"},            {"--speed", "0"}};
    for (const auto& args : bad) {
        const ParsedOptions parsed = parseOptions(args);
        EXPECT_FALSE(parsed.options) << args.front();
        EXPECT_FALSE(parsed.error.empty());
    }
}

}  // namespace
}  // namespace meter_sim
