#include <time.h>

#include "runtime/local_time.h"

namespace runtime {

int SystemOffsetAt(std::int64_t utcSeconds)
{
    const time_t when = static_cast<time_t>(utcSeconds);
    tm local{};
    if (localtime_r(&when, &local) == nullptr) return 0;
    return static_cast<int>(local.tm_gmtoff);
}

}  // namespace runtime
