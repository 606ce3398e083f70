#include "publish/output_options.h"

#include "publish/meter_name.h"

namespace publish {
namespace {

// A prefix is a topic path of its own: no wildcards, no empty levels.
bool validPrefix(const QString& prefix) {
    if (prefix.isEmpty() || prefix.startsWith(QLatin1Char('/')) || prefix.endsWith(QLatin1Char('/'))) return false;
    if (prefix.contains(QLatin1String("//"))) return false;
    return !prefix.contains(QLatin1Char('+')) && !prefix.contains(QLatin1Char('#'));
}

}  // namespace

std::variant<OutputSettings, QString> outputSettings(const OutputOptions& options) {
    OutputSettings settings;
    if (!options.mqttUrl.isEmpty()) {
        auto broker = brokerAddress(options.mqttUrl, options.mqttCaFile, options.mqttPasswordFile, &settings.warnings);
        if (auto* error = std::get_if<QString>(&broker)) return *error;
        if (!validPrefix(options.mqttPrefix)) return QStringLiteral("MQTT prefix \"%1\" is not a topic").arg(options.mqttPrefix);
        if (!validPrefix(options.haPrefix)) return QStringLiteral("Home Assistant prefix \"%1\" is not a topic").arg(options.haPrefix);
        PublisherSettings mqtt;
        mqtt.broker = std::get<BrokerAddress>(broker);
        mqtt.topics = {options.mqttPrefix.toStdString(), options.haPrefix.toStdString(), options.haDiscovery};
        settings.mqtt = mqtt;
    } else if (!options.mqttCaFile.isEmpty() || !options.mqttPasswordFile.isEmpty()) {
        return QStringLiteral("--mqtt-ca and --mqtt-password-file need --mqtt");
    }
    if (!options.metrics.isEmpty()) {
        auto address = parseListenAddress(options.metrics);
        if (auto* error = std::get_if<QString>(&address)) return *error;
        settings.metrics = std::get<ListenAddress>(address);
    }
    return settings;
}

}  // namespace publish
