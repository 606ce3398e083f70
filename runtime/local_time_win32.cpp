#include <windows.h>

#include "runtime/local_time.h"

namespace runtime {
namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kUnixEpochInFileTime = 116'444'736'000'000'000LL;

std::int64_t FileTimeTicks(const FILETIME& time)
{
    return (std::int64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

}  // namespace

int SystemOffsetAt(std::int64_t utcSeconds)
{
    const std::int64_t ticks = utcSeconds * 10'000'000 + kUnixEpochInFileTime;
    FILETIME utcFile{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{}, local{};
    if (!FileTimeToSystemTime(&utcFile, &utc)) return 0;
    // The zone's rules for that year, not this year's, where Windows keeps them.
    DYNAMIC_TIME_ZONE_INFORMATION dynamic{};
    TIME_ZONE_INFORMATION rules{};
    const bool forYear = GetDynamicTimeZoneInformation(&dynamic) != TIME_ZONE_ID_INVALID &&
                         GetTimeZoneInformationForYear(utc.wYear, &dynamic, &rules);
    if (!SystemTimeToTzSpecificLocalTime(forYear ? &rules : nullptr, &utc, &local)) return 0;
    FILETIME localFile{};
    if (!SystemTimeToFileTime(&local, &localFile)) return 0;
    return static_cast<int>((FileTimeTicks(localFile) - ticks) / 10'000'000);
}

}  // namespace runtime
