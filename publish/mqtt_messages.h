#pragma once
// The MQTT messages of one meter: its state at a tick, its availability and
// its Home Assistant discovery configs.
#include <string>
#include <vector>

#include <QByteArray>
#include <QDateTime>

#include "publish/meter_tick.h"

namespace publish {

struct MqttMessage {
    std::string topic;
    QByteArray payload;
    bool retained = false;
};

struct MqttTopics {
    std::string prefix = "kzrt";             // <prefix>/<meter>/state, .../availability
    std::string haPrefix = "homeassistant";  // <haPrefix>/sensor/kzrt_<meter>_<quantity>/config
    bool haDiscovery = true;
};

// ISO 8601 with the time's own offset (local time gives the local offset), to
// the second: 2026-12-07T14:03:07+01:00.
QString isoTimeWithOffset(const QDateTime& time);

std::string stateTopic(const MqttTopics& topics, const std::string& meter);
std::string availabilityTopic(const MqttTopics& topics, const std::string& meter);

// One JSON object: "time" and the seven quantities as numbers, null where the
// read-out shows no number ("-OVLD-").
QByteArray stateJson(const MeterTick& tick);

// One retained config per quantity; none when discovery is off. `meter` is
// topic-safe; `displayName` names the device in Home Assistant.
std::vector<MqttMessage> discoveryConfigs(const MqttTopics& topics, const std::string& meter,
                                          const std::string& displayName);

}  // namespace publish
