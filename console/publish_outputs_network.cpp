#include <optional>
#include <string>

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTime>

#include "console/control_ids.h"
#include "console/publish_outputs.h"
#include "meter/recording_row.h"
#include "publish/outputs.h"
#include "runtime/date_time.h"
#include "serial/serial_port_unit.h"

namespace console {
namespace {

std::string text(const platform::Form& form, std::uint32_t id) { return form.text(id); }

class NetworkOutputs final : public PublishOutputs {
public:
    explicit NetworkOutputs(const PublishSection& section) {
        publish::OutputOptions options;
        options.mqttUrl = section.mqtt;
        if (!section.mqttPrefix.isEmpty()) options.mqttPrefix = section.mqttPrefix;
        options.mqttCaFile = section.mqttCaFile;
        options.metrics = section.metrics;
        auto settings = publish::outputSettings(options);
        if (auto* error = std::get_if<QString>(&settings)) {
            m_problem = *error;
            return;
        }
        auto outputs = publish::Outputs::start(std::get<publish::OutputSettings>(settings));
        if (auto* error = std::get_if<QString>(&outputs)) {
            m_problem = *error;
            return;
        }
        m_outputs = std::move(std::get<std::unique_ptr<publish::Outputs>>(outputs));
    }

    void publish(Console& console, runtime::DateTime now) override {
        if (!m_outputs) return;
        followSelectedPort(console.form);
        const bool gone = !console.port.isOpen() || console.port.deviceGone();
        if (gone && !m_wasGone && console.port.deviceGone()) ++m_deviceLosses;
        m_wasGone = gone;
        noteFrames(console.values.framesDecoded);
        m_outputs->publish(m_meter, tick(console, now, gone));
        noteEvents();
    }

    QString problem() const override {
        QStringList problems;
        for (const QString& problem : {m_problem, m_metricsProblem, m_mqttProblem}) {
            if (!problem.isEmpty()) problems << problem;
        }
        return problems.join(QStringLiteral("; "));
    }

private:
    void noteEvents() {
        using Kind = publish::OutputEvent::Kind;
        for (const publish::OutputEvent& event : m_outputs->takeEvents()) {
            if (event.kind == Kind::MetricsListening) m_metricsProblem.clear();
            if (event.kind == Kind::MetricsWaiting) m_metricsProblem = QStringLiteral("metrics: ") + event.detail;
            if (event.kind == Kind::MqttConnected) m_mqttProblem.clear();
            if (event.kind == Kind::MqttRefused || event.kind == Kind::MqttUnreachable) m_mqttProblem = event.detail;
        }
    }

    // The meter is named after the port chosen in the window ("COM3"); a
    // different choice is a different meter.
    void followSelectedPort(const platform::Form& form) {
        const std::string meter = "COM" + std::to_string(form.comboIndex(kPortNumberCombo) + 1);
        if (meter == m_meter) return;
        if (!m_meter.empty()) m_outputs->removeMeter(m_meter);
        m_meter = meter;
        const QString error = m_outputs->addMeter(m_meter);
        if (!error.isEmpty()) m_problem = error;
    }

    // Up follows decoded frames, not bytes (a wrong baud rate gives bytes):
    // the time the frame count last grew, judged by the staleness rule.
    void noteFrames(std::uint64_t frames) {
        if (frames == m_frames) return;
        m_frames = frames;
        m_lastFrameMs = runtime::MonotonicMilliseconds();
    }

    publish::MeterTick tick(const Console& console, runtime::DateTime now, bool gone) const {
        const platform::Form& form = console.form;
        const ProgramValues& values = console.values;
        publish::MeterTick tick;
        tick.time = publish::tickTime(now);
        tick.readouts = {text(form, kVoltageReadout), text(form, kCurrentReadout),    text(form, kPowerReadout),
                         text(form, kResistanceReadout), text(form, kEnergyReadout), text(form, kChargeReadout),
                         text(form, kTemperatureReadout)};
        tick.frames = values.framesDecoded;
        tick.rowsWritten = values.rowsWritten;
        tick.rowWriteFailures = values.rowWriteFailures;
        tick.deviceLosses = m_deviceLosses;
        tick.deviceAway = gone;
        tick.up = m_lastFrameMs &&
                  !meter::readoutsStale(m_lastFrameMs, runtime::MonotonicMilliseconds(), {}, runtime::DateTime{});
        return tick;
    }

    std::unique_ptr<publish::Outputs> m_outputs;
    QString m_problem;
    // What the outputs last said of the endpoint and of the broker (a port in
    // use, a broker refusing or out of reach); empty once they work.
    QString m_metricsProblem;
    QString m_mqttProblem;
    std::string m_meter;
    bool m_wasGone = false;
    std::uint64_t m_frames = 0;
    std::optional<std::int64_t> m_lastFrameMs;
    std::uint64_t m_deviceLosses = 0;
};

}  // namespace

std::shared_ptr<PublishOutputs> PublishOutputs::create(const PublishSection& section) {
    if (!section.present()) return nullptr;
    return std::make_shared<NetworkOutputs>(section);
}

}  // namespace console
