#include <time.h>

#include "runtime/date_time.h"

namespace runtime {

DateTime SystemNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    // The console reads the time for every received byte, thousands of times
    // a second; the local calendar time is worked out once per second.
    thread_local time_t cachedSecond = -1;
    thread_local DateTime cachedLocal = 0.0;
    if (now.tv_sec != cachedSecond) {
        tm local{};
        localtime_r(&now.tv_sec, &local);
        cachedLocal = MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                   local.tm_min, local.tm_sec);
        cachedSecond = now.tv_sec;
    }
    const double milliseconds = static_cast<double>(now.tv_nsec / 1'000'000);
    return cachedLocal + milliseconds / 86'400'000.0;
}

}  // namespace runtime
