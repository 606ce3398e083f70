#pragma once
// Every network output of a program, fed by the recording's ticks: one MQTT
// connection per meter and one /metrics endpoint for all of them.
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include <QString>

#include "publish/meter_publisher.h"
#include "publish/meter_tick.h"
#include "publish/metrics_registry.h"
#include "publish/metrics_server.h"
#include "publish/output_options.h"

namespace publish {

// Something a user should hear of, once, when it happens.
struct OutputEvent {
    enum class Kind { MetricsListening, MetricsWaiting, MqttConnected, MqttRefused, MqttUnreachable };
    Kind kind;
    std::string meter;  // the name as given; empty for /metrics
    QString detail;     // the address listened on, or why not; the broker's refusal
};

class Outputs {
public:
    // The metrics endpoint tries to listen at once, and again later while it
    // cannot (see takeEvents); meters connect as they are added.
    static std::variant<std::unique_ptr<Outputs>, QString> start(const OutputSettings& settings);
    // Every MQTT connection says "offline" and closes; the metrics endpoint
    // closes without waiting for its clients.
    ~Outputs();

    // `name` is the meter's NAME or its port's name; it is made topic-safe.
    // Empty on success, else why the meter cannot be published: its
    // topic-safe name is another meter's, or its MQTT connection cannot start.
    QString addMeter(const std::string& name);
    void removeMeter(const std::string& name);
    // One recorded row: a state message, then as follow(). Never waits for
    // the network. An unknown meter is added first.
    void publish(const std::string& name, const MeterTick& tick);
    // Availability and the values behind /metrics, with no state message:
    // between rows, and when the meter stops.
    void follow(const std::string& name, const MeterTick& tick);
    // What changed since the last call (the endpoint listening or not, a
    // broker accepting or refusing a meter), each change once. Also tries the
    // endpoint's address again when it is due.
    std::vector<OutputEvent> takeEvents();

    std::uint16_t metricsPort() const { return m_server ? m_server->port() : 0; }
    // /metrics' body, for a listener shared with another server (any thread).
    std::string renderMetrics() const { return m_registry.render(); }
    std::uint64_t mqttDropped(const std::string& name) const;

private:
    explicit Outputs(const OutputSettings& settings) : m_settings(settings) {}
    struct Meter {
        std::string safeName;
        std::unique_ptr<MeterPublisher> publisher;
        LinkStatus reportedLink;
    };
    Meter* meter(const std::string& name);
    void metricsEvents(std::vector<OutputEvent>& events);

    OutputSettings m_settings;
    MetricsRegistry m_registry;
    std::unique_ptr<MetricsServer> m_server;  // after the registry: stops first
    bool m_reportedListening = false;
    QString m_reportedProblem;
    std::map<std::string, Meter> m_meters;    // by the name as given
};

}  // namespace publish
