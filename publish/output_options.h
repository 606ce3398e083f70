#pragma once
// The network outputs as a user writes them (command line, config file, the
// console's [Publish] section), checked and turned into settings.
#include <optional>
#include <variant>

#include <QString>
#include <QStringList>

#include "publish/listen_address.h"
#include "publish/meter_publisher.h"

namespace publish {

struct OutputOptions {
    QString mqttUrl;           // empty: no MQTT
    QString mqttCaFile;
    QString mqttPasswordFile;
    QString mqttPrefix = QStringLiteral("kzrt");
    QString haPrefix = QStringLiteral("homeassistant");
    bool haDiscovery = true;
    QString metrics;           // [HOST:]PORT; empty: no metrics
};

struct OutputSettings {
    std::optional<PublisherSettings> mqtt;
    std::optional<ListenAddress> metrics;
    // /metrics is served by another listener on the same port (the recorder's
    // web page), which renders Outputs::renderMetrics(); no listener of our own.
    bool metricsOnSharedListener = false;
    QStringList warnings;  // to tell the user; the settings work all the same
    bool any() const { return mqtt || metrics; }
};

// The settings, or a message naming the option that is wrong.
std::variant<OutputSettings, QString> outputSettings(const OutputOptions& options);

}  // namespace publish
