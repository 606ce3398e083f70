#include "publish/outputs.h"

#include "publish/meter_name.h"

namespace publish {

std::variant<std::unique_ptr<Outputs>, QString> Outputs::start(const OutputSettings& settings) {
    std::unique_ptr<Outputs> outputs(new Outputs(settings));
    if (settings.metrics && !settings.metricsOnSharedListener) {
        auto server = MetricsServer::start(*settings.metrics, outputs->m_registry);
        if (auto* error = std::get_if<QString>(&server)) return *error;
        outputs->m_server = std::move(std::get<std::unique_ptr<MetricsServer>>(server));
    }
    return outputs;
}

Outputs::~Outputs() {
    m_server.reset();  // no scrape reads the registry while it goes
    // Every connection says goodbye at the same time, not one after another.
    for (auto& [name, meter] : m_meters) {
        if (meter.publisher) meter.publisher->requestStop();
    }
}

QString Outputs::addMeter(const std::string& name) {
    if (m_meters.contains(name)) return {};
    Meter& meter = m_meters[name];
    meter.safeName = topicSafeName(name);
    if (!m_settings.mqtt) return {};
    meter.publisher = std::make_unique<MeterPublisher>(*m_settings.mqtt, meter.safeName, name);
    QString error = meter.publisher->start();
    if (!error.isEmpty()) meter.publisher.reset();
    return error;
}

void Outputs::removeMeter(const std::string& name) {
    const auto found = m_meters.find(name);
    if (found == m_meters.end()) return;
    m_registry.remove(found->second.safeName);
    m_meters.erase(found);
}

void Outputs::publish(const std::string& name, const MeterTick& tick) {
    if (!m_meters.contains(name)) addMeter(name);
    Meter& meter = m_meters[name];
    std::uint64_t dropped = 0;
    if (meter.publisher) {
        meter.publisher->setDeviceAway(tick.deviceAway);
        meter.publisher->publishState(stateJson(tick));
        dropped = meter.publisher->dropped();
    }
    if (m_settings.metrics) m_registry.update(meter.safeName, meterMetrics(tick, dropped));
}

std::uint64_t Outputs::mqttDropped(const std::string& name) const {
    const auto found = m_meters.find(name);
    if (found == m_meters.end() || !found->second.publisher) return 0;
    return found->second.publisher->dropped();
}

}  // namespace publish
