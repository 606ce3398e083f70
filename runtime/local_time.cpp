#include "runtime/local_time.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "runtime/civil_days.h"

namespace runtime {
namespace {

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
    const CivilDate date = CivilFromDays(days);
    const int minutes = std::abs(time.offsetSeconds) / 60;
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", static_cast<long long>(date.year),
                  date.month, date.day, static_cast<int>(ofDay / 3600), static_cast<int>(ofDay / 60 % 60),
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
