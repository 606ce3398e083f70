#pragma once
// Every network output of a program, fed once per recording tick: one MQTT
// connection per meter and one /metrics endpoint for all of them.
#include <map>
#include <memory>
#include <string>
#include <variant>

#include <QString>

#include "publish/meter_publisher.h"
#include "publish/meter_tick.h"
#include "publish/metrics_registry.h"
#include "publish/metrics_server.h"
#include "publish/output_options.h"

namespace publish {

class Outputs {
public:
    // The metrics endpoint listens at once; meters connect as they are added.
    static std::variant<std::unique_ptr<Outputs>, QString> start(const OutputSettings& settings);
    ~Outputs();

    // `name` is the meter's NAME or its port's name; it is made topic-safe.
    // Empty on success, else why the meter's MQTT connection cannot start.
    QString addMeter(const std::string& name);
    void removeMeter(const std::string& name);
    // One tick: a state message, availability, and the values behind /metrics.
    // Never waits for the network. An unknown meter is added first.
    void publish(const std::string& name, const MeterTick& tick);

    std::uint16_t metricsPort() const { return m_server ? m_server->port() : 0; }
    // /metrics' body, for a listener shared with another server (any thread).
    std::string renderMetrics() const { return m_registry.render(); }
    std::uint64_t mqttDropped(const std::string& name) const;

private:
    explicit Outputs(const OutputSettings& settings) : m_settings(settings) {}
    struct Meter {
        std::string safeName;
        std::unique_ptr<MeterPublisher> publisher;
    };
    OutputSettings m_settings;
    MetricsRegistry m_registry;
    std::unique_ptr<MetricsServer> m_server;  // after the registry: stops first
    std::map<std::string, Meter> m_meters;    // by the name as given
};

}  // namespace publish
