#include "record/meter_recorder.h"

#include <QCoreApplication>
#include <QEvent>
#include <filesystem>

#include "storage/day_file_session.h"
#include "record/log_line.h"
#include "runtime/conversions.h"
#include "runtime/date_time.h"
#include "runtime/local_time.h"
#include "serial/notification.h"
#include "serial/port_hints.h"
#include "serial/sanitizer_annotations.h"

namespace record {
namespace {

constexpr int kOpenRetryMs = 1000;

QEvent::Type reportEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// A writer's report on its way from the writer's thread to the event loop.
struct ReportEvent : QEvent {
    explicit ReportEvent(storage::RecordingThread::Report r) : QEvent(reportEventType()), report(std::move(r)) {}
    storage::RecordingThread::Report report;
};
constexpr std::chrono::milliseconds kEndWaitMs{2500};

std::string fileText(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return {name.begin(), name.end()};
}

std::string foldText(const storage::FoldNote& note) {
    using Kind = storage::FoldNote::Kind;
    const std::string file = "file=" + fileText(note.dayFile);
    switch (note.kind) {
    case Kind::kRowsMerged:
        return file + " had changed since a recording into it was cut short; " + std::to_string(note.rows) +
               " rows of that recording went in at their place by time";
    case Kind::kRowsSetAside:
        return file + " had changed since a recording into it was cut short and is not in time order; left as it is, " +
               std::to_string(note.rows) + " rows of that recording are kept in " + fileText(note.keptAs);
    case Kind::kDamagedLog:
        return file + " its hidden log was damaged; the file keeps every row it had with the log's rows before the damage, the log is kept as " +
               fileText(note.keptAs);
    case Kind::kForeignLog:
        return "side file " + fileText(note.log) + " belongs to another file; not applied, kept as " +
               fileText(note.keptAs);
    case Kind::kEmptyLogRemoved:
        return "side file " + fileText(note.log) + " held no whole record; removed";
    }
    return file;
}

const char* stepProblem(storage::RecordingStep step) {
    switch (step) {
    case storage::RecordingStep::CreateFailed: return "the day file could not be created";
    case storage::RecordingStep::OpenFailed: return "another program holds the day file, or it cannot be opened";
    case storage::RecordingStep::WriteFailed: return "writing to the day file failed";
    case storage::RecordingStep::ReadOnly: return "the day file is read-only";
    case storage::RecordingStep::RewriteUnfinished: return "an earlier rewrite of the day file is not finished yet";
    case storage::RecordingStep::InUse:
        return "another copy of kzrt-record or of the console records into the day file";
    case storage::RecordingStep::EndFailed:
        return "the day file could not be completed; its last rows wait in the hidden log beside it";
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
    reportEventType();  // registered here, before the writer's thread runs
    m_writer = std::make_unique<storage::RecordingThread>(
        storage::NativeFileSystem(), [this, alive = m_alive](storage::RecordingThread::Report report) {
            m_rowsInserted += std::int64_t(report.written);
            m_rowsFailed += std::int64_t(report.failed);
            m_rowsWaiting = std::int64_t(report.waiting);
            if (!*alive) return;
            // The report is made here, then handed over (customEvent).
            auto* event = new ReportEvent(std::move(report));
            serial::announceHandOver(this);
            QCoreApplication::postEvent(this, event);
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
            !std::filesystem::exists(storage::recordingLogPath(path), ignored)) {
            m_writer->record(path, row);
        }
        m_lastDayFile = path;
    }
    m_writer->record(path, row);
    emit rowRecorded(now);
}

void MeterRecorder::customEvent(QEvent* event) {
    serial::acceptHandOver(this);  // before the event is read at all: the writer made it
    if (event->type() != reportEventType()) return QObject::customEvent(event);
    onReport(static_cast<ReportEvent*>(event)->report);
}

void MeterRecorder::onReport(const storage::RecordingThread::Report& report) {
    const storage::RecordingStep step = report.step;
    for (const storage::FoldNote& note : report.notes) logLine(LogKind::Warning, "fold", label() + " " + foldText(note));
    if (step == storage::RecordingStep::SessionEnded && m_lastStep == int(storage::RecordingStep::EndFailed)) {
        logLine(LogKind::Info, "write-resumed", label() + " file=" + fileText(report.dayFile) + " completed");
    }
    if (step == storage::RecordingStep::SessionEnded) return;
    const bool failed = stepProblem(step) != nullptr;
    if (failed && m_lastStep != int(step)) {
        logLine(LogKind::Problem, "write-failed",
                label() + " " + stepProblem(step) + " file=" + fileText(report.dayFile) +
                    " pending=" + std::to_string(report.waiting));
    }
    // One day file, one writer: this one stops rather than write beside another.
    if (step == storage::RecordingStep::InUse && running()) finish(StopReason::InUse);
    if (!failed && m_lastStep >= 0 && stepProblem(storage::RecordingStep(m_lastStep))) {
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
    m_summary.stopReason = reason;  // first: nothing more is recorded, and a report cannot stop it twice
    noticeReconnection();
    m_clock.stop();
    m_openRetry.stop();
    m_port.Close();
    // The rows handed over are on the disk before the summary counts them.
    m_writer->finish();
    m_writer->waitUntilIdle();
    // A day file held by another program at the end gets a few more tries.
    if (m_rowsWaiting > 0) m_writer->waitUntilEnded(kEndWaitMs);
    // What the writer reported meanwhile is said before the summary.
    QCoreApplication::sendPostedEvents(this, reportEventType());
    m_summary.rowsWritten = m_rowsInserted;
    m_summary.rowWriteFailures = m_rowsFailed;
    m_summary.rowsWaiting = m_rowsWaiting;
    m_summary.endTime = runtime::IsoNow();
    m_summary.durationSeconds = m_seconds;
    m_summary.wattHours = m_pipeline.energyWattSeconds() / 3600.0;
    m_summary.ampereHours = m_pipeline.chargeAmpereSeconds() / 3600.0;
    logLine(rowsMissing(m_summary) ? LogKind::Problem : LogKind::Info, "stop",
            label() + " reason=" + stopReasonName(reason) + " rows=" + std::to_string(m_summary.rowsWritten) +
                " failed=" + std::to_string(m_summary.rowWriteFailures) +
                " pending=" + std::to_string(m_summary.rowsWaiting));
    emit stopped();
}

}  // namespace record
