#pragma once
// Date-times are OLE automation dates: days since 1899-12-30 00:00 local time,
// the fraction being the time of day.
#include <cstdint>
#include <functional>

#include "runtime/gbk_codec.h"

namespace runtime {

using DateTime = double;

// Fields out of their range carry over (month 13 is January of the next year,
// second 60 the next minute).
DateTime MakeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                      int second = 0);

// Current local date-time; tests replace the clock.
DateTime Now();
// The operating system's local clock, whatever clock tests installed.
DateTime SystemNow();
// Milliseconds of a monotonic clock (never jumps with the wall clock); tests replace it.
std::int64_t MonotonicMilliseconds();

void SetClockForTesting(std::function<DateTime()> clock);  // empty: real clock
void SetMonotonicClockForTesting(std::function<std::int64_t()> clock);

// 1 year, 2 quarter, 3 month, 4 week of year, 5 day, 6 hour, 7 minute,
// 8 second, 9 day of week (1 = Sunday), 10 day of year; other parts give 0.
// The time of day is rounded to the nearest millisecond first, so 23:59:59.9996
// is the next day. Non-finite dates read as 30 December 1899.
int TimePart(DateTime when, int part);

// 1: date then the non-zero tail of the time; 2: "%d年%d月%d日"; 3: "%d时%d分%d秒".
// Parts outside 1..3 are clamped.
Text TimeToText(DateTime when, int part = 1);

}  // namespace runtime
