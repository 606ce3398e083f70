#include "publish/mqtt_messages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>

#include "publish/quantities.h"
#include "runtime/local_time.h"

namespace publish {
namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QJsonObject deviceBlock(const std::string& meter, const std::string& displayName) {
    return QJsonObject{{"identifiers", QJsonArray{qs("kzrt_" + meter)}},
                       {"name", qs(displayName)},
                       {"manufacturer", "KZRT"},
                       {"model", "5-digit V/A/W meter"}};
}

QJsonObject sensorConfig(const MqttTopics& topics, const std::string& meter, const std::string& displayName,
                         const Quantity& quantity) {
    const std::string id = "kzrt_" + meter + "_" + std::string(quantity.key);
    QJsonObject config{
        {"name", qs(quantity.title)},
        {"unique_id", qs(id)},
        {"state_topic", qs(stateTopic(topics, meter))},
        // A null (overload) renders as "None", which Home Assistant takes as "unknown".
        {"value_template", qs("{{ value_json." + std::string(quantity.key) + " }}")},
        {"availability_topic", qs(availabilityTopic(topics, meter))},
        {"unit_of_measurement", qs(quantity.unit)},
        {"state_class", qs(quantity.stateClass)},
        {"device", deviceBlock(meter, displayName)},
    };
    if (!quantity.deviceClass.empty()) config.insert("device_class", qs(quantity.deviceClass));
    return config;
}

}  // namespace

QString isoTimeWithOffset(const QDateTime& time) {
    return QString::fromStdString(runtime::IsoText({time.toSecsSinceEpoch(), time.offsetFromUtc()}));
}

std::string stateTopic(const MqttTopics& topics, const std::string& meter) {
    return topics.prefix + "/" + meter + "/state";
}

std::string availabilityTopic(const MqttTopics& topics, const std::string& meter) {
    return topics.prefix + "/" + meter + "/availability";
}

QByteArray stateJson(const MeterTick& tick) {
    const ReadoutNumbers numbers = readoutNumbers(tick.readouts);
    QJsonObject state{{"time", isoTimeWithOffset(tick.time)}};
    for (const Quantity& quantity : kQuantities) {
        const std::optional<double>& value = numbers.*quantity.value;
        state.insert(qs(quantity.key), value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null));
    }
    return QJsonDocument(state).toJson(QJsonDocument::Compact);
}

std::vector<MqttMessage> discoveryConfigs(const MqttTopics& topics, const std::string& meter,
                                          const std::string& displayName) {
    std::vector<MqttMessage> configs;
    if (!topics.haDiscovery) return configs;
    for (const Quantity& quantity : kQuantities) {
        configs.push_back({topics.haPrefix + "/sensor/kzrt_" + meter + "_" + std::string(quantity.key) + "/config",
                           QJsonDocument(sensorConfig(topics, meter, displayName, quantity))
                               .toJson(QJsonDocument::Compact),
                           true});
    }
    return configs;
}

}  // namespace publish
