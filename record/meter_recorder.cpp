#include "record/meter_recorder.h"

#include <QMetaObject>
#include <filesystem>

#include "meter/recording_file.h"
#include "record/log_line.h"
#include "runtime/conversions.h"
#include "runtime/date_time.h"
#include "runtime/local_time.h"
#include "serial/notification.h"
#include "serial/port_hints.h"

namespace record {
namespace {

constexpr int kOpenRetryMs = 1000;

const char* stepProblem(meter::RecordingStep step) {
    switch (step) {
    case meter::RecordingStep::CreateFailed: return "the day file could not be created";
    case meter::RecordingStep::OpenFailed: return "another program holds the day file, or it cannot be opened";
    case meter::RecordingStep::WriteFailed: return "writing to the day file failed";
    case meter::RecordingStep::ReadOnly: return "the day file is read-only";
    case meter::RecordingStep::RewriteUnfinished: return "an earlier rewrite of the day file is not finished yet";
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
    // The writer's thread counts what went in and hands the rest of its
    // report to the event loop.
    m_writer = std::make_unique<meter::RecordingWriter>(
        runtime::NativeFileSystem(), [this, alive = m_alive](meter::RecordingWriter::Report report) {
            const std::size_t dropped = report.step == meter::RecordingStep::FileCreated ? 1 : 0;
            if (report.step == meter::RecordingStep::RowInserted || dropped != 0) {
                m_rowsInserted += std::int64_t(report.rows - std::min(report.rows, dropped));
            }
            if (!*alive) return;
            QMetaObject::invokeMethod(this, [this, report = std::move(report)] { onReport(report); },
                                      Qt::QueuedConnection);
        });
}

MeterRecorder::~MeterRecorder() {
    *m_alive = false;
    m_writer.reset();  // writes what was handed over, on its thread
}

std::string MeterRecorder::label() const { return m_meter.name.empty() ? m_meter.port : m_meter.name; }

bool MeterRecorder::start() {
    m_summary.startTime = runtime::IsoNow();
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
    const meter::ReadoutTexts& readouts = m_pipeline.readouts();
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
    } else {
        emit secondPassed();
    }
}

void MeterRecorder::writeRow(runtime::DateTime now) {
    m_pipeline.clearIfStale(now, runtime::MonotonicMilliseconds());
    const runtime::Path path = meter::recordingFilePath(m_dayFolder, now);
    const runtime::Text row = m_pipeline.rowText(now);
    // The row that starts a day's file is not written into it; a logger keeps
    // that reading too, so a new day's file gets the row twice and keeps one.
    if (path != m_lastDayFile) {
        std::error_code ignored;
        if (!std::filesystem::exists(path, ignored) &&
            !std::filesystem::exists(meter::recordingLogPath(path), ignored)) {
            m_writer->record(path, row);
        }
        m_lastDayFile = path;
    }
    m_writer->record(path, row);
    emit rowRecorded(now);
}

void MeterRecorder::onReport(const meter::RecordingWriter::Report& report) {
    const meter::RecordingStep step = report.step;
    const bool failed = stepProblem(step) != nullptr;
    if (failed) m_summary.rowWriteFailures += std::int64_t(report.rows);
    if (failed && m_lastStep != int(step)) logLine(LogKind::Problem, "write-failed", label() + " " + stepProblem(step));
    if (!failed && m_lastStep >= 0 && stepProblem(meter::RecordingStep(m_lastStep))) {
        logLine(LogKind::Info, "write-resumed", label());
    }
    m_lastStep = int(step);
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
    // The rows handed over are on the disk before the summary counts them.
    m_writer->finish();
    m_writer->waitUntilIdle();
    m_summary.rowsWritten = m_rowsInserted;
    m_summary.stopReason = reason;
    m_summary.endTime = runtime::IsoNow();
    m_summary.durationSeconds = m_seconds;
    m_summary.wattHours = m_pipeline.energyWattSeconds() / 3600.0;
    m_summary.ampereHours = m_pipeline.chargeAmpereSeconds() / 3600.0;
    logLine(LogKind::Info, "stop", label() + " reason=" + stopReasonName(reason) + " rows=" +
                                       std::to_string(m_summary.rowsWritten));
    emit stopped();
}

}  // namespace record
