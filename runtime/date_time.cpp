// OLE automation dates: the whole part counts days from 1899-12-30, the
// fraction is the time of day. Before the epoch the whole part is negative
// and the fraction still counts forward from midnight (-1.25 is 1899-12-29
// 06:00), which is why the sign is handled apart from the fraction.
#include "runtime/date_time.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <utility>

#include "runtime/civil_days.h"
#include "runtime/conversions.h"

namespace runtime {
namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;
// Days from 1970-01-01 to 1899-12-30.
constexpr std::int64_t kOleEpochInUnixDays = -25'569;
// Far beyond any real date; keeps the millisecond count inside int64.
constexpr double kLargestDate = 1e9;

std::mutex g_clockMutex;
std::function<DateTime()> g_clock;
std::function<std::int64_t()> g_monotonicClock;
// Set while a test clock is installed: the real clocks skip the lock.
std::atomic<bool> g_clockInstalled{false};
std::atomic<bool> g_monotonicClockInstalled{false};

std::int64_t SteadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Fields {
    std::int64_t oleDay;  // calendar day, counted from 1899-12-30
    CivilDate date;
    int hour, minute, second;
};

Fields Split(DateTime when)
{
    if (!std::isfinite(when) || std::fabs(when) > kLargestDate) when = 0.0;
    const double wholeDays = std::trunc(when);
    std::int64_t day = static_cast<std::int64_t>(wholeDays);
    std::int64_t milliseconds = std::llround(std::fabs(when - wholeDays) * kMillisecondsPerDay);
    if (milliseconds >= kMillisecondsPerDay) {
        milliseconds -= kMillisecondsPerDay;
        ++day;
    }
    const auto seconds = static_cast<int>(milliseconds / 1000);
    return {day, CivilFromDays(day + kOleEpochInUnixDays), seconds / 3600, seconds / 60 % 60,
            seconds % 60};
}

int DayOfYear(const Fields& f)
{
    return static_cast<int>(DaysFromCivil(f.date.year, f.date.month, f.date.day) -
                            DaysFromCivil(f.date.year, 1, 1) + 1);
}

}  // namespace

DateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second)
{
    const std::int64_t monthIndex = std::int64_t{year} * 12 + (month - 1);
    const std::int64_t firstOfMonth =
        DaysFromCivil(FloorDiv(monthIndex, 12), static_cast<int>(FloorMod(monthIndex, 12)) + 1, 1);
    const std::int64_t days = firstOfMonth - kOleEpochInUnixDays + (day - 1);
    const std::int64_t totalSeconds =
        days * 86'400 + std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
    const std::int64_t wholeDays = FloorDiv(totalSeconds, 86'400);
    const double fraction = static_cast<double>(FloorMod(totalSeconds, 86'400)) / 86'400.0;
    return wholeDays >= 0 ? static_cast<double>(wholeDays) + fraction
                          : static_cast<double>(wholeDays) - fraction;
}

DateTime Now()
{
    if (!g_clockInstalled.load(std::memory_order_acquire)) return SystemNow();
    std::function<DateTime()> clock;
    {
        const std::lock_guard lock(g_clockMutex);
        clock = g_clock;
    }
    return clock ? clock() : SystemNow();
}

std::int64_t MonotonicMilliseconds()
{
    if (!g_monotonicClockInstalled.load(std::memory_order_acquire)) return SteadyMilliseconds();
    std::function<std::int64_t()> clock;
    {
        const std::lock_guard lock(g_clockMutex);
        clock = g_monotonicClock;
    }
    return clock ? clock() : SteadyMilliseconds();
}

void SetClockForTesting(std::function<DateTime()> clock)
{
    const std::lock_guard lock(g_clockMutex);
    g_clock = std::move(clock);
    g_clockInstalled.store(static_cast<bool>(g_clock), std::memory_order_release);
}

void SetMonotonicClockForTesting(std::function<std::int64_t()> clock)
{
    const std::lock_guard lock(g_clockMutex);
    g_monotonicClock = std::move(clock);
    g_monotonicClockInstalled.store(static_cast<bool>(g_monotonicClock), std::memory_order_release);
}

int TimePart(DateTime when, int part)
{
    const Fields f = Split(when);
    switch (part) {
    case 1: return static_cast<int>(f.date.year);
    case 2: return (f.date.month - 1) / 3 + 1;
    case 3: return f.date.month;
    case 4: return (DayOfYear(f) - 1) / 7 + 1;
    case 5: return f.date.day;
    case 6: return f.hour;
    case 7: return f.minute;
    case 8: return f.second;
    case 9: return static_cast<int>(FloorMod(f.oleDay + 6, 7)) + 1;  // 1899-12-30 was a Saturday
    case 10: return DayOfYear(f);
    default: return 0;
    }
}

Text TimeToText(DateTime when, int part)
{
    static const Text year = Gbk("年"), month = Gbk("月"), day = Gbk("日");
    static const Text hour = Gbk("时"), minute = Gbk("分"), second = Gbk("秒");
    const Fields f = Split(when);
    const auto number = [](std::int64_t value) { return ToText(value); };
    const Text date = number(f.date.year) + year + number(f.date.month) + month + number(f.date.day) + day;
    const Text fullTime = number(f.hour) + hour + number(f.minute) + minute + number(f.second) + second;
    if (part >= 3) return fullTime;
    if (part == 2) return date;
    if (f.second != 0) return date + fullTime;
    if (f.minute != 0) return date + number(f.hour) + hour + number(f.minute) + minute;
    if (f.hour != 0) return date + number(f.hour) + hour;
    return date;
}

}  // namespace runtime
