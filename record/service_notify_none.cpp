#include "record/service_notify.h"

namespace record {

void notifyReady(std::string_view) {}
void notifyStopping() {}
void notifyWatchdog() {}
std::optional<std::chrono::milliseconds> watchdogPeriod() { return std::nullopt; }

}  // namespace record
