#include <map>

#include "publish/outputs.h"
#include "record/log_line.h"
#include "record/meter_recorder.h"
#include "record/recorder_outputs.h"
#include "record/recorder_ticks.h"
#include "record/recorder_web.h"

namespace record {
namespace {

// A meter is published under its NAME, or its port's name when it has none.
std::string publishedName(const MeterSpec& meter) { return meter.name.empty() ? meter.port : meter.name; }

publish::OutputOptions outputOptions(const NetworkOptions& options) {
    publish::OutputOptions out;
    out.mqttUrl = QString::fromStdString(options.mqtt);
    out.mqttCaFile = QString::fromStdString(options.mqttCa);
    out.mqttPasswordFile = QString::fromStdString(options.mqttPasswordFile);
    out.mqttPrefix = QString::fromStdString(options.mqttPrefix);
    out.haPrefix = QString::fromStdString(options.haPrefix);
    out.haDiscovery = options.haDiscovery;
    out.metrics = QString::fromStdString(options.metrics);
    return out;
}

void logEvent(const publish::OutputEvent& event, const std::string& broker) {
    using Kind = publish::OutputEvent::Kind;
    const std::string detail = event.detail.toStdString();
    switch (event.kind) {
    case Kind::MetricsListening: logLine(LogKind::Info, "metrics", "listening on " + detail); break;
    case Kind::MetricsWaiting:
        logLine(LogKind::Warning, "metrics-waiting",
                detail + "; trying again every " + std::to_string(publish::MetricsServer::kRetryPeriod.count()) +
                    " s, recording goes on");
        break;
    case Kind::MqttConnected: logLine(LogKind::Info, "mqtt-connected", event.meter + " broker=" + broker); break;
    case Kind::MqttRefused:
        logLine(LogKind::Problem, "mqtt-refused", event.meter + " broker=" + broker + " reason=" + detail);
        break;
    case Kind::MqttUnreachable:
        logLine(LogKind::Warning, "mqtt-unreachable", event.meter + " broker=" + broker + " reason=" + detail);
        break;
    }
}

// MQTT and /metrics (either may be absent), and the web page (when asked).
class NetworkOutputs final : public RecorderOutputs {
public:
    void rowRecorded(const MeterRecorder& meter, runtime::DateTime now) override {
        if (m_outputs) m_outputs->publish(publishedName(meter.spec()), meterTick(meter, now));
        if (m_web) m_web->rowRecorded(meter, now);
    }

    void follow(const MeterRecorder& meter) override {
        const runtime::DateTime now = runtime::Now();
        if (m_outputs) m_outputs->follow(publishedName(meter.spec()), meterTick(meter, now));
        if (m_web) m_web->follow(meter, now);
    }

    void logEvents() override {
        if (!m_outputs) return;
        for (const publish::OutputEvent& event : m_outputs->takeEvents()) logEvent(event, m_broker);
    }

    std::unique_ptr<publish::Outputs> m_outputs;
    std::string m_broker;          // host:port, for the log
    bool m_metricsShared = false;  // /metrics is served by the web page's listener
    std::unique_ptr<RecorderWeb> m_web;  // after the outputs: stops before their registry goes
};

// Whether /metrics goes on the web page's listener: both name one port. The
// same port on two addresses cannot be shared, and is refused.
std::variant<bool, std::string> metricsOnWebListener(const NetworkOptions& options,
                                                     const std::optional<publish::ListenAddress>& metrics) {
    if (options.web.empty() || !metrics || metrics->port == 0) return false;
    const auto web = publish::parseListenAddress(QString::fromStdString(options.web), QStringLiteral("web"));
    const auto* address = std::get_if<publish::ListenAddress>(&web);
    if (address == nullptr || address->port != metrics->port) return false;
    if (address->host != metrics->host) {
        return "--web and --metrics name port " + std::to_string(metrics->port) +
               " on two addresses; give both the same address to serve them from one listener";
    }
    return true;
}

std::string startPublishing(const NetworkOptions& options, const std::vector<MeterSpec>& meters,
                            NetworkOutputs& outputs) {
    if (options.mqtt.empty() && options.metrics.empty() && options.mqttCa.empty() && options.mqttPasswordFile.empty()) {
        return {};
    }
    auto settings = publish::outputSettings(outputOptions(options));
    if (auto* error = std::get_if<QString>(&settings)) return error->toStdString();
    auto& checked = std::get<publish::OutputSettings>(settings);
    for (const QString& warning : checked.warnings) logLine(LogKind::Warning, "insecure", warning.toStdString());
    const auto shared = metricsOnWebListener(options, checked.metrics);
    if (auto* error = std::get_if<std::string>(&shared)) return *error;
    checked.metricsOnSharedListener = std::get<bool>(shared);
    auto started = publish::Outputs::start(checked);
    if (auto* error = std::get_if<QString>(&started)) return error->toStdString();
    outputs.m_outputs = std::move(std::get<std::unique_ptr<publish::Outputs>>(started));
    for (const MeterSpec& meter : meters) {
        if (QString error = outputs.m_outputs->addMeter(publishedName(meter)); !error.isEmpty()) {
            return error.toStdString();
        }
    }
    outputs.m_metricsShared = checked.metricsOnSharedListener;
    outputs.m_broker =
        checked.mqtt ? checked.mqtt->broker.host + ":" + std::to_string(checked.mqtt->broker.port) : std::string();
    outputs.logEvents();
    return {};
}

}  // namespace

std::variant<std::unique_ptr<RecorderOutputs>, std::string> startRecorderOutputs(const RecordOptions& options) {
    const NetworkOptions& network = options.network;
    if (!network.asked()) return std::unique_ptr<RecorderOutputs>();
    auto outputs = std::make_unique<NetworkOutputs>();
    if (std::string error = startPublishing(network, options.meters, *outputs); !error.empty()) return error;
    if (network.web.empty() && !network.webPasswordFile.empty()) return std::string("--web-password-file: needs --web");
    if (!network.web.empty()) {
        std::function<std::string()> metrics;
        if (outputs->m_metricsShared) {
            metrics = [published = outputs->m_outputs.get()] { return published->renderMetrics(); };
        }
        auto web = RecorderWeb::start(options, std::move(metrics));
        if (auto* error = std::get_if<std::string>(&web)) return *error;
        outputs->m_web = std::move(std::get<std::unique_ptr<RecorderWeb>>(web));
    }
    return std::unique_ptr<RecorderOutputs>(std::move(outputs));
}

}  // namespace record
