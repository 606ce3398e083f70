// Local wall-clock readings placed in time, and their ISO text, under real
// tzdata zones: the hour the clock repeats, the hour it skips, zones west of
// UTC and on half hours.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "runtime/local_time.h"

#ifndef _WIN32
#include "tests/runtime/zone_scope.h"
#endif

namespace {

using runtime::IsoText;
using runtime::ToWallSeconds;
using runtime::ZonedTime;

TEST(IsoText, WritesEveryOffsetWithItsSignAndNeverZ) {
    const std::int64_t noon = ToWallSeconds(2026, 1, 2, 12, 0, 0);
    const struct {
        int offset;
        const char* text;
    } cases[] = {
        {0, "2026-01-02T12:00:00+00:00"},
        {3600, "2026-01-02T12:00:00+01:00"},
        {-(3 * 3600 + 1800), "2026-01-02T12:00:00-03:30"},
        {5 * 3600 + 45 * 60, "2026-01-02T12:00:00+05:45"},
    };
    for (const auto& c : cases) EXPECT_EQ(IsoText({noon - c.offset, c.offset}), c.text);
    EXPECT_EQ(IsoText({ToWallSeconds(2024, 2, 29, 23, 59, 59), 0}), "2024-02-29T23:59:59+00:00");
    EXPECT_EQ(IsoText({ToWallSeconds(1899, 12, 30, 6, 0, 0), 0}), "1899-12-30T06:00:00+00:00");
}

TEST(WallSeconds, ADateTimeReadsAsItsFields) {
    for (const auto& [y, mo, d, h, mi, s] : std::vector<std::array<int, 6>>{
             {2026, 10, 25, 2, 30, 0}, {1899, 12, 29, 6, 0, 0}, {2000, 2, 29, 23, 59, 59}, {1970, 1, 1, 0, 0, 0}}) {
        EXPECT_EQ(ToWallSeconds(runtime::MakeDateTime(y, mo, d, h, mi, s)), ToWallSeconds(y, mo, d, h, mi, s))
            << y << "-" << mo << "-" << d << " " << h << ":" << mi << ":" << s;
    }
    EXPECT_EQ(ToWallSeconds(1970, 1, 2, 0, 0, 1), 86'401);
}

TEST(LocalZone, ThePresentReadsAsTheLocalClock) {
    const std::int64_t now = runtime::UtcSecondsNow();
    const runtime::WallSeconds clock = ToWallSeconds(runtime::SystemNow());
    const ZonedTime zoned{now, runtime::LocalZone().offsetAt(now)};
    EXPECT_LE(std::abs(zoned.wall() - clock), 2);
    EXPECT_EQ(runtime::LocalZone().resolve(clock, now + 1).utcSeconds, now - (zoned.wall() - clock));
}

#ifndef _WIN32

using runtime::testing::libcIsoText;
using runtime::testing::ZoneScope;

struct Change {
    const char* zone;
    std::int64_t utc;  // the instant the clock changes
    int before, after;  // offsets in force before and after it
};

// 2026's changes: Europe moves at 01:00 UTC, New York at 02:00 local,
// Lord Howe by half an hour.
const Change kChanges[] = {
    {"Europe/Berlin", ToWallSeconds(2026, 3, 29, 1, 0, 0), 3600, 7200},
    {"Europe/Berlin", ToWallSeconds(2026, 10, 25, 1, 0, 0), 7200, 3600},
    {"America/New_York", ToWallSeconds(2026, 3, 8, 7, 0, 0), -5 * 3600, -4 * 3600},
    {"America/New_York", ToWallSeconds(2026, 11, 1, 6, 0, 0), -4 * 3600, -5 * 3600},
    {"Australia/Lord_Howe", ToWallSeconds(2026, 4, 4, 15, 0, 0), 11 * 3600, 10 * 3600 + 1800},
};

class ClockChange : public ::testing::TestWithParam<Change> {};

TEST_P(ClockChange, EveryInstantAroundItIsFoundAgainFromItsReading) {
    const Change& change = GetParam();
    ZoneScope scope(change.zone);
    runtime::LocalZone zone;
    ASSERT_EQ(zone.offsetAt(change.utc - 1), change.before) << "tzdata for " << change.zone;
    ASSERT_EQ(zone.offsetAt(change.utc), change.after);
    // Readings walked newest first, each bounded by its newer neighbour, as a
    // day file's rows are: every instant comes back, with its offset.
    std::int64_t bound = change.utc + 3 * 3600;
    for (std::int64_t t = change.utc + 3 * 3600 - 7; t >= change.utc - 3 * 3600; t -= 7) {
        const ZonedTime found = zone.resolve(t + zone.offsetAt(t), bound);
        ASSERT_EQ(found.utcSeconds, t) << libcIsoText(t);
        EXPECT_EQ(IsoText(found), libcIsoText(t));
        bound = found.utcSeconds - 1;
    }
}

TEST_P(ClockChange, ReadingsAtTheChangeFollowTheRule) {
    const Change& change = GetParam();
    ZoneScope scope(change.zone);
    runtime::LocalZone zone;
    if (change.after < change.before) {
        // Set back: just after the change the clock reads what it read a
        // little before it, and the bound decides which pass is meant.
        const runtime::WallSeconds repeated = change.utc + change.after + 60;
        const std::int64_t firstPass = repeated - change.before, secondPass = repeated - change.after;
        ASSERT_LT(firstPass, change.utc);
        EXPECT_EQ(zone.resolve(repeated, secondPass).utcSeconds, secondPass);
        EXPECT_EQ(zone.resolve(repeated, secondPass - 1).utcSeconds, firstPass);
        // Nothing fits the bound: the first pass, the earliest it can be.
        EXPECT_EQ(zone.resolve(repeated, firstPass - 1).utcSeconds, firstPass);
        EXPECT_EQ(runtime::IsoLocalTime(repeated, secondPass), libcIsoText(secondPass));
    } else {
        // Skipped: a reading inside the skipped stretch, as a clock that was
        // not moved yet gives it, is a real instant at the old offset; no
        // hour is invented.
        const runtime::WallSeconds skipped = change.utc + change.before + 60;
        const ZonedTime found = zone.resolve(skipped, change.utc + 86'400);
        EXPECT_EQ(found.offsetSeconds, change.before);
        EXPECT_EQ(found.utcSeconds, change.utc + 60);
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, ClockChange, ::testing::ValuesIn(kChanges));

#endif

}  // namespace
