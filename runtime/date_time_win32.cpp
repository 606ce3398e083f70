#include <windows.h>

#include "runtime/date_time.h"

namespace runtime {

DateTime SystemNow()
{
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return MakeDateTime(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute,
                        local.wSecond) +
           local.wMilliseconds / 86'400'000.0;
}

}  // namespace runtime
