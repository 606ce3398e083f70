// The capacity test's rule, second by second: below the cutoff for the whole
// hold, with seconds of a meter that is away breaking a run, not ending it.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "record/cutoff_watch.h"
#include "record/run_summary.h"

namespace {

using Seconds = std::vector<std::optional<double>>;
constexpr std::nullopt_t kAway = std::nullopt;

struct CutoffCase {
    const char* name;
    Seconds volts;
    int stopsAt;  // 1-based second the watch completes, 0 for never
};

class Cutoff : public ::testing::TestWithParam<CutoffCase> {};

TEST_P(Cutoff, StopsOnlyAfterTheWholeHold) {
    record::CutoffWatch watch(10.0, 3);
    int stoppedAt = 0;
    for (std::size_t i = 0; i < GetParam().volts.size() && stoppedAt == 0; ++i) {
        if (watch.second(GetParam().volts[i])) stoppedAt = int(i) + 1;
    }
    EXPECT_EQ(stoppedAt, GetParam().stopsAt);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, Cutoff,
    ::testing::Values(CutoffCase{"ExactlyTheHold", {12, 9, 9, 9, 12}, 4},
                      CutoffCase{"ADipShorterThanTheHold", {12, 9, 9, 12, 9, 9, 12}, 0},
                      CutoffCase{"AtTheCutoffIsNotBelow", {10, 10, 10, 10}, 0},
                      CutoffCase{"AMeterAwayReadsNothing", {9, kAway, kAway, kAway, kAway}, 0},
                      CutoffCase{"AwayBreaksTheRun", {9, 9, kAway, 9, 9, 9}, 6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cutoff, WithoutACutoffNothingStops) {
    record::CutoffWatch watch(std::nullopt, 1);
    EXPECT_FALSE(watch.second(0.0));
}

TEST(Summary, KeepsStartEndAndExtremesOfLiveReadings) {
    record::RunSummary summary;
    for (const auto& [volts, amps] : {std::pair{12.5, 1.0}, {11.0, 2.5}, {11.8, 0.5}}) {
        record::noteReading(summary, volts, amps);
    }
    EXPECT_EQ(summary.startVolts, 12.5);
    EXPECT_EQ(summary.endVolts, 11.8);
    EXPECT_EQ(summary.minimumVolts, 11.0);
    EXPECT_EQ(summary.maximumAmps, 2.5);
}

}  // namespace
