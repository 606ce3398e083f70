#include "record/meter_recorder.h"

#include "meter/recording_file.h"
#include "record/iso_time.h"
#include "record/log_line.h"
#include "runtime/conversions.h"
#include "runtime/date_time.h"
#include "serial/notification.h"
#include "serial/port_hints.h"

namespace record {
namespace {

constexpr int kOpenRetryMs = 1000;

const char* stepProblem(console::RecordingStep step) {
    switch (step) {
    case console::RecordingStep::CreateFailed: return "the day file could not be created";
    case console::RecordingStep::OpenFailed: return "another program holds the day file, or it cannot be opened";
    case console::RecordingStep::WriteFailed: return "writing to the day file failed";
    case console::RecordingStep::ReadOnly: return "the day file is read-only";
    case console::RecordingStep::RewriteUnfinished: return "an earlier rewrite of the day file cannot be finished yet";
    default: return nullptr;
    }
}

std::string adapterText(const std::string& device) {
    const serial::AdapterInfo adapter = serial::describeAdapter(device);
    if (adapter.vendorId.empty()) return "none";
    std::string text = adapter.vendorId + ":" + adapter.productId;
    if (!adapter.product.empty()) text += " \"" + adapter.product + "\"";
    if (!adapter.serialNumber.empty()) text += " serial=" + adapter.serialNumber;
    return text;
}

}  // namespace

MeterRecorder::MeterRecorder(MeterSpec meter, int portNumber, runtime::Path dayFolder, const RecordOptions& options,
                             QObject* parent)
    : QObject(parent),
      m_meter(std::move(meter)),
      m_dayFolder(std::move(dayFolder)),
      m_options(options),
      m_cutoff(options.stopBelowVolts, options.holdSeconds) {
    m_summary.name = m_meter.name;
    m_summary.port = m_meter.port;
    m_port.writeProperty(serial::kPortNumberSlot, portNumber);
    m_port.writeProperty(serial::kBaudRateSlot, options.baud);
    m_port.writeProperty(serial::kParitySlot, options.parity);
    m_port.setEventSink([this](int index, std::int32_t argument) {
        if (index != serial::kDataArrived || !running()) return;
        if (m_port.deliveryCount() != m_delivery) {
            m_delivery = m_port.deliveryCount();
            m_deliveryMs = runtime::MonotonicMilliseconds();
        }
        m_pipeline.receiveByte(argument, m_deliveryMs);
    });
    m_clock.setTimerType(Qt::PreciseTimer);
    m_clock.setInterval(1000);
    connect(&m_clock, &QTimer::timeout, this, &MeterRecorder::onSecond);
    m_openRetry.setInterval(kOpenRetryMs);
    connect(&m_openRetry, &QTimer::timeout, this, &MeterRecorder::tryOpen);
}

MeterRecorder::~MeterRecorder() = default;

std::string MeterRecorder::label() const { return m_meter.name.empty() ? m_meter.port : m_meter.name; }

bool MeterRecorder::start() {
    m_summary.startTime = isoNow();
    if (!m_port.Open() && m_options.noWait) {
        logLine(LogKind::Problem, "missing", label() + " port=" + m_meter.port + " reason=" + m_port.lastOpenError());
        return false;
    }
    // Integration runs from the start, as if the stopwatch started here.
    m_clock.start();
    tryOpen();
    return true;
}

void MeterRecorder::tryOpen() {
    if (!m_port.isOpen() && !m_port.Open()) {
        if (!m_waitLogged) {
            const std::string reason = m_port.lastOpenError().empty() ? "no such device" : m_port.lastOpenError();
            logLine(LogKind::Warning, "waiting", label() + " port=" + m_meter.port + " reason=" + reason);
            m_waitLogged = true;
        }
        m_openRetry.start();
        return;
    }
    m_openRetry.stop();
    logLine(LogKind::Info, "start",
            label() + " port=" + m_meter.port + " device=" + m_port.device() +
                " adapter=" + adapterText(m_port.device()));
}

void MeterRecorder::onSecond() {
    if (!running()) return;
    ++m_seconds;
    m_pipeline.integrateOneSecond();
    const bool fresh = m_pipeline.takeFreshFrame();
    const console::ReadoutTexts& readouts = m_pipeline.readouts();
    std::optional<double> volts;
    if (fresh) {
        volts = runtime::ToNumber(readouts.voltage);
        noteReading(m_summary, *volts, runtime::ToNumber(readouts.current));
    }
    noticeReconnection();
    if (m_seconds % m_options.intervalSeconds == 0) writeRow(runtime::Now());
    if (m_cutoff.second(volts)) {
        finish(StopReason::Cutoff);
    } else if (m_options.durationSeconds && m_seconds >= *m_options.durationSeconds) {
        finish(StopReason::Duration);
    }
}

void MeterRecorder::writeRow(runtime::DateTime now) {
    m_pipeline.clearIfStale(now, runtime::MonotonicMilliseconds());
    const runtime::Path path = console::recordingFilePath(m_dayFolder, now);
    const runtime::Text row = m_pipeline.rowText(now);
    console::DayFileSession& session = sessionFor(path);
    console::RecordingStep step = session.record({row});
    // The day's first tick only starts the file; a logger keeps that reading
    // too, so the row goes in at once.
    if (step == console::RecordingStep::FileCreated) step = session.record({row});
    if (step == console::RecordingStep::RowInserted) ++m_summary.rowsWritten;
    const bool failed = stepProblem(step) != nullptr;
    if (failed) ++m_summary.rowWriteFailures;
    if (failed && m_lastStep != int(step)) logLine(LogKind::Problem, "write-failed", label() + " " + stepProblem(step));
    if (!failed && m_lastStep >= 0 && stepProblem(console::RecordingStep(m_lastStep))) {
        logLine(LogKind::Info, "write-resumed", label());
    }
    m_lastStep = int(step);
    emit rowRecorded(now);
}

// One session per day file, as the console's writer keeps: a new day (or a
// new folder) finishes the old day's file first.
console::DayFileSession& MeterRecorder::sessionFor(const runtime::Path& dayFile) {
    if (m_session && m_session->dayFile() != dayFile) {
        m_session->finish();
        m_session.reset();
    }
    if (!m_session) m_session = std::make_unique<console::DayFileSession>(*m_files, dayFile);
    return *m_session;
}

void MeterRecorder::noticeReconnection() {
    const serial::ReconnectionState state = m_port.reconnection();
    if (state.losses > m_summary.deviceLosses) {
        logLine(LogKind::Warning, "lost", label() + " device=" + m_port.device());
    }
    if (state.returns > m_summary.deviceReturns) logLine(LogKind::Info, "back", label() + " device=" + m_port.device());
    m_summary.deviceLosses = std::max(m_summary.deviceLosses, state.losses);
    m_summary.deviceReturns = std::max(m_summary.deviceReturns, state.returns);
}

void MeterRecorder::stop(StopReason reason) {
    if (running()) finish(reason);
}

void MeterRecorder::finish(StopReason reason) {
    noticeReconnection();
    m_clock.stop();
    m_openRetry.stop();
    m_port.Close();
    if (m_session) m_session->finish();  // the day's file made durable, its log removed
    m_summary.stopReason = reason;
    m_summary.endTime = isoNow();
    m_summary.durationSeconds = m_seconds;
    m_summary.wattHours = m_pipeline.energyWattSeconds() / 3600.0;
    m_summary.ampereHours = m_pipeline.chargeAmpereSeconds() / 3600.0;
    logLine(LogKind::Info, "stop", label() + " reason=" + stopReasonName(reason) + " rows=" +
                                       std::to_string(m_summary.rowsWritten));
    emit stopped();
}

}  // namespace record
