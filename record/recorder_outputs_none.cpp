#include "record/recorder_outputs.h"

namespace record {

std::variant<std::unique_ptr<RecorderOutputs>, std::string> startRecorderOutputs(const RecordOptions& record) {
    const NetworkOptions& options = record.network;
    if (!options.asked()) return std::unique_ptr<RecorderOutputs>();
    const char* option = !options.web.empty() || !options.webPasswordFile.empty() ? "--web"
                         : options.mqtt.empty()                                  ? "--metrics"
                                                                                 : "--mqtt";
    return std::string(option) + ": this build of kzrt-record has no network outputs (MQTT, /metrics, web page)";
}

}  // namespace record
