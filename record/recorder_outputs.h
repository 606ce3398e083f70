#pragma once
// The recorder's network outputs (MQTT, /metrics, the web page): told of every row each
// meter writes, with the meter's counters at that moment.
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
    // The meter's state between rows (each second) and when it stops:
    // availability and /metrics follow it without a row.
    virtual void follow(const MeterRecorder& meter) = 0;
    // Logs what changed in the outputs since the last call, once each.
    virtual void logEvents() = 0;
};

// Nothing when no output is asked for; the outputs, started (the metrics
// endpoint listening, each meter's broker connection under way); or why they
// cannot start, worded to follow "kzrt-record: " (exit 2).
std::variant<std::unique_ptr<RecorderOutputs>, std::string> startRecorderOutputs(const RecordOptions& options);

}  // namespace record
