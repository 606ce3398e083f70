#include <QDate>
#include <QDateTime>
#include <QTime>
#include <map>

#include "publish/outputs.h"
#include "record/log_line.h"
#include "record/meter_recorder.h"
#include "record/recorder_outputs.h"

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

publish::MeterTick meterTick(const MeterRecorder& meter, runtime::DateTime now) {
    const meter::ReadoutTexts& texts = meter.pipeline().readouts();
    const RunSummary& summary = meter.summary();
    publish::MeterTick tick;
    tick.time = publish::tickTime(now);
    tick.readouts = {texts.voltage, texts.current, texts.power, texts.resistance,
                     texts.energy,  texts.charge,  texts.temperature};
    tick.frames = meter.pipeline().framesDecoded();
    tick.rowsWritten = std::uint64_t(meter.rowsWritten());
    tick.rowWriteFailures = std::uint64_t(summary.rowWriteFailures);
    tick.deviceLosses = std::uint64_t(summary.deviceLosses);
    tick.deviceAway = meter.deviceAway();
    tick.up = meter.pipeline().live(runtime::MonotonicMilliseconds());
    tick.stopped = !meter.running();
    return tick;
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

class PublishedOutputs final : public RecorderOutputs {
public:
    PublishedOutputs(std::unique_ptr<publish::Outputs> outputs, std::string broker)
        : m_outputs(std::move(outputs)), m_broker(std::move(broker)) {}

    void rowRecorded(const MeterRecorder& meter, runtime::DateTime now) override {
        m_outputs->publish(publishedName(meter.spec()), meterTick(meter, now));
    }

    void follow(const MeterRecorder& meter) override {
        m_outputs->follow(publishedName(meter.spec()), meterTick(meter, runtime::Now()));
    }

    void logEvents() override {
        for (const publish::OutputEvent& event : m_outputs->takeEvents()) logEvent(event, m_broker);
    }

private:
    std::unique_ptr<publish::Outputs> m_outputs;
    std::string m_broker;  // host:port, for the log
};

}  // namespace

std::variant<std::unique_ptr<RecorderOutputs>, std::string> startRecorderOutputs(const NetworkOptions& options,
                                                                                 const std::vector<MeterSpec>& meters) {
    if (!options.asked()) return std::unique_ptr<RecorderOutputs>();
    auto checked = publish::outputSettings(outputOptions(options));
    if (auto* error = std::get_if<QString>(&checked)) return error->toStdString();
    const publish::OutputSettings& settings = std::get<publish::OutputSettings>(checked);
    for (const QString& warning : settings.warnings) logLine(LogKind::Warning, "insecure", warning.toStdString());
    auto started = publish::Outputs::start(settings);
    if (auto* error = std::get_if<QString>(&started)) return error->toStdString();
    auto outputs = std::move(std::get<std::unique_ptr<publish::Outputs>>(started));
    for (const MeterSpec& meter : meters) {
        if (QString error = outputs->addMeter(publishedName(meter)); !error.isEmpty()) return error.toStdString();
    }
    const std::string broker =
        settings.mqtt ? settings.mqtt->broker.host + ":" + std::to_string(settings.mqtt->broker.port) : std::string();
    auto recorderOutputs = std::make_unique<PublishedOutputs>(std::move(outputs), broker);
    recorderOutputs->logEvents();
    return std::unique_ptr<RecorderOutputs>(std::move(recorderOutputs));
}

}  // namespace record
