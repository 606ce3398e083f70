#pragma once
// Readiness and the watchdog for systemd's Type=notify units. Outside such a
// unit (and on Windows) every call does nothing.
#include <chrono>
#include <optional>
#include <string_view>

namespace record {

void notifyReady(std::string_view status);
void notifyStopping();
void notifyWatchdog();
// Half the unit's WatchdogSec, or nothing when no watchdog is set.
std::optional<std::chrono::milliseconds> watchdogPeriod();

}  // namespace record
