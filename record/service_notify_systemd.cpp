#include <systemd/sd-daemon.h>

#include <string>

#include "record/service_notify.h"

namespace record {

void notifyReady(std::string_view status) {
    const std::string message = "READY=1\nSTATUS=" + std::string(status);
    ::sd_notify(0, message.c_str());
}

void notifyStopping() { ::sd_notify(0, "STOPPING=1"); }

void notifyWatchdog() { ::sd_notify(0, "WATCHDOG=1"); }

std::optional<std::chrono::milliseconds> watchdogPeriod() {
    std::uint64_t microseconds = 0;
    if (::sd_watchdog_enabled(0, &microseconds) <= 0 || microseconds == 0) return std::nullopt;
    return std::chrono::milliseconds(microseconds / 2000);
}

}  // namespace record
