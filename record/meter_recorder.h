#pragma once
// One meter's recording: its serial unit, its read-outs, its day files and
// its summary. A one-second clock integrates energy and charge, watches the
// cutoff and, every --interval seconds, clears stale read-outs and inserts
// the row, exactly as the console's clock and recording ticks do.
#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>
#include <string>

#include "storage/recording_thread.h"
#include "record/meter_pipeline.h"
#include "runtime/native_path.h"
#include "record/record_options.h"
#include "record/cutoff_watch.h"
#include "record/run_summary.h"
#include "serial/serial_port_unit.h"

namespace record {

class MeterRecorder : public QObject {
    Q_OBJECT
public:
    // `dayFolder` is where this meter's day files go (already made).
    MeterRecorder(MeterSpec meter, int portNumber, runtime::Path dayFolder, const RecordOptions& options,
                  QObject* parent = nullptr);
    ~MeterRecorder() override;

    // Opens the port, or starts waiting for its device. False only with
    // --no-wait when the port cannot be opened now.
    bool start();
    // Ends the recording (nothing more is written) with this reason.
    void stop(StopReason reason);
    bool running() const { return m_summary.stopReason == StopReason::Running; }
    const RunSummary& summary() const { return m_summary; }
    const MeterPipeline& pipeline() const { return m_pipeline; }
    const MeterSpec& spec() const { return m_meter; }
    // Rows in the day files so far (the writer's thread counts them).
    std::int64_t rowsWritten() const { return m_rowsInserted; }
    // The meter's device is away: never opened yet, or gone and watched for.
    bool deviceAway() const { return !m_port.isOpen() || m_port.deviceGone(); }
    // Seconds since the recording started, and the capacity test's seconds below its cutoff.
    std::int64_t elapsedSeconds() const { return m_seconds; }
    int secondsBelowCutoff() const { return m_cutoff.secondsBelow(); }

signals:
    // Each row as it is handed to the day file's writer, with the row's time.
    // Publishers hook in here and read the meter's state.
    void rowRecorded(runtime::DateTime when);
    // Once a second while recording, after the row if there was one.
    void secondPassed();
    void stopped();

protected:
    void customEvent(QEvent* event) override;

private:
    void tryOpen();
    void onSecond();
    void writeRow(runtime::DateTime now);
    void onReport(const storage::RecordingThread::Report& report);
    void noticeReconnection();
    void finish(StopReason reason);
    std::string label() const;

    MeterSpec m_meter;
    runtime::Path m_dayFolder;
    RecordOptions m_options;
    serial::SerialPortUnit m_port;
    MeterPipeline m_pipeline;
    RunSummary m_summary;
    CutoffWatch m_cutoff;
    QTimer m_clock;
    QTimer m_openRetry;
    std::int64_t m_seconds = 0;
    // One clock reading per batch the unit delivers: its bytes arrive together.
    std::uint64_t m_delivery = 0;
    std::int64_t m_deliveryMs = 0;
    int m_lastStep = -1;  // the day file step last logged, so a failing disk logs once
    runtime::Path m_lastDayFile;  // the day file the previous row went to
    // Written on the writer's thread, read at the end.
    std::atomic<std::int64_t> m_rowsInserted{0};
    std::atomic<std::int64_t> m_rowsFailed{0};
    std::atomic<std::int64_t> m_rowsWaiting{0};
    std::shared_ptr<std::atomic<bool>> m_alive = std::make_shared<std::atomic<bool>>(true);
    std::unique_ptr<storage::RecordingThread> m_writer;
    bool m_waitLogged = false;
};

}  // namespace record
