#include "record/recorder_outputs.h"

namespace record {

std::variant<std::unique_ptr<RecorderOutputs>, std::string> startRecorderOutputs(const NetworkOptions& options,
                                                                                 const std::vector<MeterSpec>&) {
    if (!options.asked()) return std::unique_ptr<RecorderOutputs>();
    return std::string(options.mqtt.empty() ? "--metrics" : "--mqtt") +
           ": this build of kzrt-record has no network outputs (MQTT, /metrics)";
}

}  // namespace record
