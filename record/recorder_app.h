#pragma once
// A recording run: the meters' folders checked, one MeterRecorder per meter,
// stop on signal, the summaries at the end. Runs on the caller's
// QCoreApplication and returns the process's exit code.
#include <QObject>
#include <memory>
#include <vector>

#include "record/meter_recorder.h"
#include "record/port_links.h"
#include "record/record_options.h"
#include "record/recorder_outputs.h"
#include "runtime/native_path.h"

namespace record {

class RecorderApp : public QObject {
    Q_OBJECT
public:
    explicit RecorderApp(RecordOptions options, QObject* parent = nullptr);
    ~RecorderApp() override;

    // Prepares and starts every meter. 0 when the event loop should now run;
    // otherwise the exit code (1: a folder cannot be written, 2: bad meter).
    int start();
    const std::vector<MeterRecorder*>& meters() const { return m_meters; }

signals:
    // Every meter has stopped and the summaries are out: quit with this code.
    void finished(int exitCode);

private:
    int prepareFolders(std::vector<runtime::Path>& dayFolders);
    int startOutputs();
    void stopAll(StopReason reason);
    void onMeterStopped();

    RecordOptions m_options;
    PortLinks m_links;
    std::vector<MeterRecorder*> m_meters;
    std::unique_ptr<RecorderOutputs> m_outputs;  // none without network options
    bool m_finished = false;
};

}  // namespace record
