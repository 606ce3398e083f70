#pragma once
// The recorder's network outputs (MQTT, /metrics, the web page): told of every row each
// meter writes, with the meter's counters at that moment. Builds without
// network outputs (Windows) refuse the options instead of ignoring them.
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "record/record_options.h"
#include "runtime/date_time.h"

namespace record {

class MeterRecorder;

class RecorderOutputs {
public:
    virtual ~RecorderOutputs() = default;
    // One row of this meter went to its day file (or failed to) at `now`.
    virtual void rowRecorded(const MeterRecorder& meter, runtime::DateTime now) = 0;
    // This meter stopped recording (its summary says why) at `now`.
    virtual void meterStopped(const MeterRecorder& meter, runtime::DateTime now) = 0;
    // Once a second for every meter, rows or not (a long --interval): a
    // device that went away or came back is told at once.
    virtual void secondPassed(const MeterRecorder& meter, runtime::DateTime now) = 0;
};

// Nothing when no output is asked for; the outputs, started (the metrics
// endpoint listening, each meter's broker connection under way); or why they
// cannot start, worded to follow "kzrt-record: " (exit 2).
std::variant<std::unique_ptr<RecorderOutputs>, std::string> startRecorderOutputs(const RecordOptions& options);

}  // namespace record
