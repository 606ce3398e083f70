#pragma once
// What one meter's recording did, for the summary printed at its end: the
// run's span, its totals and extremes, and why it stopped. Plain values; the
// recorder fills them once a second and at the end.
#include <cstdint>
#include <optional>
#include <string>

namespace record {

// InUse: another program records into the meter's day file, so this one
// writes nothing to it and stops.
enum class StopReason { Running, Cutoff, Duration, Signal, InUse };
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
    std::int64_t rowsWritten = 0;       // rows that reached the day file
    std::int64_t rowWriteFailures = 0;  // rows that never will
    std::int64_t rowsWaiting = 0;       // rows still in a hidden log beside their day file at the end
    int deviceLosses = 0;
    int deviceReturns = 0;
    StopReason stopReason = StopReason::Running;
};

// Rows were lost or are not in their day file yet: the run did not record
// everything it read.
inline bool rowsMissing(const RunSummary& summary) {
    return summary.rowWriteFailures > 0 || summary.rowsWaiting > 0 || summary.stopReason == StopReason::InUse;
}

// Takes one second's live reading into the extremes. Readings of a meter that
// has gone silent are not readings: the caller passes only fresh ones.
void noteReading(RunSummary& summary, double volts, double amps);

}  // namespace record
