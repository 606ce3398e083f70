#include "record/run_summary.h"

#include <algorithm>

namespace record {

const char* stopReasonName(StopReason reason) {
    switch (reason) {
    case StopReason::Cutoff: return "cutoff";
    case StopReason::Duration: return "duration";
    case StopReason::Signal: return "signal";
    case StopReason::InUse: return "in-use";
    case StopReason::Running: break;
    }
    return "running";
}

void noteReading(RunSummary& summary, double volts, double amps) {
    if (!summary.startVolts) summary.startVolts = volts;
    summary.endVolts = volts;
    summary.minimumVolts = std::min(summary.minimumVolts.value_or(volts), volts);
    summary.maximumAmps = std::max(summary.maximumAmps.value_or(amps), amps);
}

}  // namespace record
