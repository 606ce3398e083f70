#include "runtime/local_time.h"

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>

namespace runtime {
namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = FloorDiv(year, 400);
    const std::int64_t yearOfEra = year - era * 400;
    const int shiftedMonth = month > 2 ? month - 3 : month + 9;
    const std::int64_t dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
    return era * 146'097 + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear - 719'468;
}

// No zone is more than 14 hours from UTC, so every instant a reading can
// name lies within this distance of the reading taken as UTC.
constexpr std::int64_t kWidestOffset = 15 * 3600;

}  // namespace

WallSeconds ToWallSeconds(int year, int month, int day, int hour, int minute, int second)
{
    return DaysFromCivil(year, month, day) * 86'400 + std::int64_t{hour} * 3600 + minute * 60 + second;
}

WallSeconds ToWallSeconds(DateTime when)
{
    // Days since 1899-12-30 with the time of day as a fraction that counts
    // forward from midnight even before the epoch.
    if (!std::isfinite(when) || std::fabs(when) > 1e7) when = 0.0;
    const double whole = std::trunc(when);
    const auto seconds = static_cast<std::int64_t>(std::floor(std::fabs(when - whole) * 86'400.0 + 0.0005));
    return (static_cast<std::int64_t>(whole) - 25'569) * 86'400 + seconds;
}

std::int64_t UtcSecondsNow()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

int LocalZone::offsetAt(std::int64_t utcSeconds)
{
    // Zones change their offset on whole quarter hours of UTC.
    const std::int64_t quarter = FloorDiv(utcSeconds, 900);
    Entry& entry = m_cache[static_cast<std::size_t>(quarter & 63)];
    if (entry.quarter != quarter) entry = {quarter, SystemOffsetAt(quarter * 900)};
    return entry.offset;
}

ZonedTime LocalZone::resolve(WallSeconds wall, std::int64_t notAfterUtc)
{
    const int before = offsetAt(wall - kWidestOffset);
    const int after = offsetAt(wall + kWidestOffset);
    ZonedTime candidates[2];
    int count = 0;
    for (const int offset : {before, after}) {
        const ZonedTime candidate{wall - offset, offset};
        if (offsetAt(candidate.utcSeconds) != offset) continue;
        if (count == 1 && candidates[0] == candidate) continue;
        candidates[count++] = candidate;
    }
    if (count == 0) return {wall - before, before};  // skipped by the clock
    if (count == 2 && candidates[0].utcSeconds > candidates[1].utcSeconds) std::swap(candidates[0], candidates[1]);
    if (count == 2 && candidates[1].utcSeconds <= notAfterUtc) return candidates[1];
    return candidates[0];
}

std::string IsoText(const ZonedTime& time)
{
    const std::int64_t wall = time.wall();
    const std::int64_t days = FloorDiv(wall, 86'400);
    const std::int64_t ofDay = wall - days * 86'400;
    // Civil date of a day count (the inverse of DaysFromCivil).
    const std::int64_t z = days + 719'468;
    const std::int64_t era = FloorDiv(z, 146'097);
    const std::int64_t dayOfEra = z - era * 146'097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    const int month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2);
    const int minutes = std::abs(time.offsetSeconds) / 60;
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", static_cast<long long>(year),
                  month, day, static_cast<int>(ofDay / 3600), static_cast<int>(ofDay / 60 % 60),
                  static_cast<int>(ofDay % 60), time.offsetSeconds < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return text;
}

std::string IsoLocalTime(WallSeconds wall, std::int64_t notAfterUtc)
{
    return IsoText(LocalZone().resolve(wall, notAfterUtc));
}

std::string IsoNow()
{
    const std::int64_t now = UtcSecondsNow();
    return IsoText({now, LocalZone().offsetAt(now)});
}

}  // namespace runtime
