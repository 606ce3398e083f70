#pragma once
// What one meter's recording did, for the summary printed at its end: the
// run's span, its totals and extremes, and why it stopped. Plain values; the
// recorder fills them once a second and at the end.
#include <cstdint>
#include <optional>
#include <string>

namespace record {

enum class StopReason { Running, Cutoff, Duration, Signal };
const char* stopReasonName(StopReason reason);

struct RunSummary {
    std::string name;      // empty for a meter without a NAME
    std::string port;      // as given on the command line
    std::string startTime; // ISO 8601 with offset
    std::string endTime;
    std::int64_t durationSeconds = 0;
    double ampereHours = 0.0;
    double wattHours = 0.0;
    std::optional<double> startVolts;
    std::optional<double> endVolts;
    std::optional<double> minimumVolts;
    std::optional<double> maximumAmps;
    std::int64_t rowsWritten = 0;
    std::int64_t rowWriteFailures = 0;  // rows the day file did not take
    int deviceLosses = 0;
    int deviceReturns = 0;
    StopReason stopReason = StopReason::Running;
};

// Takes one second's live reading into the extremes. Readings of a meter that
// has gone silent are not readings: the caller passes only fresh ones.
void noteReading(RunSummary& summary, double volts, double amps);

}  // namespace record
