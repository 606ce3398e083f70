#include "publish/outputs.h"

#include "publish/meter_name.h"

namespace publish {
namespace {

OutputEvent::Kind linkEventKind(LinkState state) {
    switch (state) {
    case LinkState::Connected: return OutputEvent::Kind::MqttConnected;
    case LinkState::Refused: return OutputEvent::Kind::MqttRefused;
    default: return OutputEvent::Kind::MqttUnreachable;
    }
}

}  // namespace

std::variant<std::unique_ptr<Outputs>, QString> Outputs::start(const OutputSettings& settings) {
    std::unique_ptr<Outputs> outputs(new Outputs(settings));
    if (settings.metrics && !settings.metricsOnSharedListener) {
        outputs->m_server = std::make_unique<MetricsServer>(*settings.metrics, outputs->m_registry);
    }
    return outputs;
}

Outputs::~Outputs() {
    // Every connection starts saying goodbye at once, before anything else
    // can hold the stop up; their threads are joined last.
    for (auto& [name, meter] : m_meters) {
        if (meter.publisher) meter.publisher->requestStop();
    }
    m_server.reset();  // no scrape reads the registry while it goes
}

QString Outputs::addMeter(const std::string& name) {
    if (m_meters.contains(name)) return {};
    const std::string safeName = topicSafeName(name);
    for (const auto& [otherName, other] : m_meters) {
        if (other.safeName != safeName) continue;
        return QStringLiteral("meters \"%1\" and \"%2\" would both be published as \"%3\"; give one another NAME")
            .arg(QString::fromStdString(otherName), QString::fromStdString(name), QString::fromStdString(safeName));
    }
    Meter& meter = m_meters[name];
    meter.safeName = safeName;
    if (m_settings.metrics) m_registry.update(safeName, meterMetrics({}, 0, m_settings.mqtt ? std::optional(false) : std::nullopt));
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

// Null for a name refused because its topic-safe name is another meter's.
Outputs::Meter* Outputs::meter(const std::string& name) {
    if (!m_meters.contains(name)) addMeter(name);
    const auto found = m_meters.find(name);
    return found == m_meters.end() ? nullptr : &found->second;
}

void Outputs::publish(const std::string& name, const MeterTick& tick) {
    Meter* meter = this->meter(name);
    if (meter == nullptr) return;
    if (meter->publisher) meter->publisher->publishState(stateJson(tick));
    follow(name, tick);
}

void Outputs::follow(const std::string& name, const MeterTick& tick) {
    Meter* found = this->meter(name);
    if (found == nullptr) return;
    Meter& meter = *found;
    std::uint64_t dropped = 0;
    std::optional<bool> connected;
    if (meter.publisher) {
        meter.publisher->setOnline(meterOnline(tick));
        dropped = meter.publisher->dropped();
        connected = meter.publisher->connected();
    } else if (m_settings.mqtt) {
        connected = false;
    }
    if (m_settings.metrics) m_registry.update(meter.safeName, meterMetrics(tick, dropped, connected));
}

std::vector<OutputEvent> Outputs::takeEvents() {
    std::vector<OutputEvent> events;
    metricsEvents(events);
    for (auto& [name, meter] : m_meters) {
        if (!meter.publisher) continue;
        const LinkStatus link = meter.publisher->linkStatus();
        if (link.state == meter.reportedLink.state && link.reason == meter.reportedLink.reason) continue;
        meter.reportedLink = link;
        events.push_back({linkEventKind(link.state), name, link.reason});
    }
    return events;
}

void Outputs::metricsEvents(std::vector<OutputEvent>& events) {
    if (!m_server || m_reportedListening) return;
    m_server->retry();
    if (m_server->listening()) {
        m_reportedListening = true;
        events.push_back({OutputEvent::Kind::MetricsListening, {},
                          QString::fromStdString(m_server->address().textWithPort(m_server->port()))});
    } else if (m_server->problem() != m_reportedProblem) {
        m_reportedProblem = m_server->problem();
        events.push_back({OutputEvent::Kind::MetricsWaiting, {}, m_reportedProblem});
    }
}

std::uint64_t Outputs::mqttDropped(const std::string& name) const {
    const auto found = m_meters.find(name);
    if (found == m_meters.end() || !found->second.publisher) return 0;
    return found->second.publisher->dropped();
}

}  // namespace publish
