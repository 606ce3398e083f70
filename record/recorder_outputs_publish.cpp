#include <QDate>
#include <QDateTime>
#include <QTime>
#include <map>

#include "publish/outputs.h"
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

class PublishedOutputs final : public RecorderOutputs {
public:
    explicit PublishedOutputs(std::unique_ptr<publish::Outputs> outputs) : m_outputs(std::move(outputs)) {}

    void rowRecorded(const MeterRecorder& meter, runtime::DateTime now) override {
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
        m_outputs->publish(publishedName(meter.spec()), tick);
    }

private:
    std::unique_ptr<publish::Outputs> m_outputs;
};

}  // namespace

std::variant<std::unique_ptr<RecorderOutputs>, std::string> startRecorderOutputs(const NetworkOptions& options,
                                                                                 const std::vector<MeterSpec>& meters) {
    if (!options.asked()) return std::unique_ptr<RecorderOutputs>();
    auto settings = publish::outputSettings(outputOptions(options));
    if (auto* error = std::get_if<QString>(&settings)) return error->toStdString();
    auto started = publish::Outputs::start(std::get<publish::OutputSettings>(settings));
    if (auto* error = std::get_if<QString>(&started)) return error->toStdString();
    auto outputs = std::move(std::get<std::unique_ptr<publish::Outputs>>(started));
    for (const MeterSpec& meter : meters) {
        if (QString error = outputs->addMeter(publishedName(meter)); !error.isEmpty()) return error.toStdString();
    }
    return std::unique_ptr<RecorderOutputs>(std::make_unique<PublishedOutputs>(std::move(outputs)));
}

}  // namespace record
