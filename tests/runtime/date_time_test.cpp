#include "runtime/date_time.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>
#include <tuple>

namespace runtime {
namespace {

TEST(MakeDateTimeTest, CountsDaysFromTheOleEpoch)
{
    EXPECT_DOUBLE_EQ(MakeDateTime(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(MakeDateTime(2015, 3, 5, 18), 42068.75);
    EXPECT_DOUBLE_EQ(MakeDateTime(1899, 12, 29, 6), -1.25);  // fraction counts forward
    EXPECT_DOUBLE_EQ(MakeDateTime(2015, 13, 1), MakeDateTime(2016, 1, 1));
    EXPECT_DOUBLE_EQ(MakeDateTime(2016, 3, 0), MakeDateTime(2016, 2, 29));
    EXPECT_DOUBLE_EQ(MakeDateTime(2015, 1, 1, 23, 59, 60), MakeDateTime(2015, 1, 2));
}

TEST(TimePartTest, GivesAllTenParts)
{
    // Year, quarter, month, week, day, hour, minute, second, weekday, day of year.
    const std::pair<DateTime, std::array<int, 10>> cases[] = {
        {MakeDateTime(2015, 12, 5, 14, 3, 7), {2015, 4, 12, 49, 5, 14, 3, 7, 7, 339}},
        {MakeDateTime(2016, 2, 29, 23, 59, 59), {2016, 1, 2, 9, 29, 23, 59, 59, 2, 60}},
        {MakeDateTime(2015, 1, 8), {2015, 1, 1, 2, 8, 0, 0, 0, 5, 8}},
        {-1.25, {1899, 4, 12, 52, 29, 6, 0, 0, 6, 363}},
    };
    for (const auto& [when, parts] : cases) {
        for (int part = 1; part <= 10; ++part) {
            EXPECT_EQ(TimePart(when, part), parts[part - 1]) << when << " part " << part;
        }
    }
    EXPECT_EQ(TimePart(42068.0, 11), 0);
}

TEST(TimePartTest, RoundsToTheMillisecondBeforeSplitting)
{
    // 14:03:07 built by adding seconds drifts just below the whole second.
    const DateTime sum = MakeDateTime(2015, 12, 5) + (14 * 3600 + 3 * 60 + 7) / 86400.0;
    EXPECT_EQ(TimePart(sum, 8), 7);
    const DateTime almostMidnight = MakeDateTime(2015, 12, 31) + (86400 - 0.0004) / 86400.0;
    EXPECT_EQ(TimePart(almostMidnight, 1), 2016);
    EXPECT_EQ(TimePart(almostMidnight, 6), 0);
    const DateTime justBefore = MakeDateTime(2015, 12, 31) + (86400 - 0.4) / 86400.0;
    EXPECT_EQ(TimePart(justBefore, 8), 59);
}

TEST(TimeToTextTest, DropsZeroTailPartsAndNeverPads)
{
    const std::tuple<DateTime, int, const char*> cases[] = {
        {MakeDateTime(2015, 3, 5, 8), 1, "2015年3月5日8时"},
        {MakeDateTime(2015, 3, 5, 8), 3, "8时0分0秒"},
        {MakeDateTime(2015, 12, 5, 14, 3, 7), 1, "2015年12月5日14时3分7秒"},
        {MakeDateTime(2015, 12, 5, 14, 3), 1, "2015年12月5日14时3分"},
        {MakeDateTime(2015, 12, 5, 14, 0, 7), 1, "2015年12月5日14时0分7秒"},
        {MakeDateTime(2015, 12, 5), 1, "2015年12月5日"},
        {MakeDateTime(2015, 12, 5, 14, 3, 7), 2, "2015年12月5日"},
    };
    for (const auto& [when, part, utf8] : cases) EXPECT_EQ(TimeToText(when, part), Gbk(utf8)) << utf8;
}

TEST(ClockTest, TestClocksReplaceTheRealOnes)
{
    SetClockForTesting([] { return 42068.5; });
    SetMonotonicClockForTesting([] { return std::int64_t{1234}; });
    EXPECT_DOUBLE_EQ(Now(), 42068.5);
    EXPECT_EQ(MonotonicMilliseconds(), 1234);
    SetClockForTesting({});
    SetMonotonicClockForTesting({});
    EXPECT_GT(Now(), MakeDateTime(2020, 1, 1));  // the real clock again
}

TEST(ClockTest, TheRealClocksMoveTogetherAcrossSeconds)
{
    // The local time is cached per second: across a second boundary, wall
    // and monotonic time must still agree.
    const DateTime wallBefore = Now();
    const std::int64_t monotonicBefore = MonotonicMilliseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const double wallMs = (Now() - wallBefore) * 86'400'000.0;
    const double monotonicMs = double(MonotonicMilliseconds() - monotonicBefore);
    EXPECT_NEAR(wallMs, monotonicMs, 5.0);
    EXPECT_GE(wallMs, 1100.0 - 1.0);
}

}  // namespace
}  // namespace runtime
