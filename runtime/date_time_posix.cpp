#include <time.h>

#include "runtime/date_time.h"

namespace runtime {

DateTime SystemNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    const double milliseconds = static_cast<double>(now.tv_nsec / 1'000'000);
    return MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec) +
           milliseconds / 86'400'000.0;
}

}  // namespace runtime
