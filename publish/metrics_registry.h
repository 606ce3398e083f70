#pragma once
// The values behind /metrics: the latest tick of each meter, rendered in the
// Prometheus text format 0.0.4 on demand. Thread-safe: the recording side
// updates, the HTTP server's thread renders; each holds the lock only to copy.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "publish/meter_tick.h"
#include "publish/readout_number.h"

namespace publish {

struct MeterMetrics {
    ReadoutNumbers numbers;
    std::uint64_t frames = 0;
    std::uint64_t rowsWritten = 0;
    std::uint64_t rowWriteFailures = 0;
    std::uint64_t deviceLosses = 0;
    std::uint64_t mqttDropped = 0;
    std::optional<bool> mqttConnected;  // none without MQTT
    bool up = false;
};

// `up` is the tick's availability (meterOnline), so that kzrt_up and the MQTT
// availability never disagree.
MeterMetrics meterMetrics(const MeterTick& tick, std::uint64_t mqttDropped, std::optional<bool> mqttConnected);

// The exposition text for these meters (label `meter`), HELP and TYPE first
// for every family. A gauge whose read-out shows no number is left out.
std::string renderMetrics(const std::map<std::string, MeterMetrics>& meters);

class MetricsRegistry {
public:
    void update(const std::string& meter, const MeterMetrics& metrics);
    void remove(const std::string& meter);
    std::string render() const;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, MeterMetrics> m_meters;
};

}  // namespace publish
