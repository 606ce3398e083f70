#include "record/recorder_app.h"

#include <QFile>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "record/log_line.h"
#include "record/service_notify.h"
#include "record/stop_signals.h"
#include "record/summary_json.h"

namespace record {
namespace {

namespace fs = std::filesystem;

fs::path utf8Path(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }
std::string utf8Text(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Empty when the folder exists (or was made) and takes a file; else why not.
std::string writableFolder(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return error.message();
    const fs::path probe = folder / ".kzrt-record-probe";
    {
        std::ofstream file(probe, std::ios::binary);
        if (!file || !(file << "probe").flush()) return "cannot create a file there (no write permission?)";
    }
    fs::remove(probe, error);
    return {};
}

}  // namespace

RecorderApp::RecorderApp(RecordOptions options, QObject* parent) : QObject(parent), m_options(std::move(options)) {}

RecorderApp::~RecorderApp() = default;

int RecorderApp::prepareFolders(std::vector<runtime::Path>& dayFolders) {
    // Absolute before the port links may change the working folder.
    const fs::path dir = fs::absolute(utf8Path(m_options.dir));
    if (!m_options.summaryFile.empty()) m_options.summaryFile = utf8Text(fs::absolute(utf8Path(m_options.summaryFile)));
    for (const MeterSpec& meter : m_options.meters) {
        const fs::path folder = meter.name.empty() ? dir : dir / utf8Path(meter.name);
        if (std::string why = writableFolder(folder); !why.empty()) {
            std::fprintf(stderr, "kzrt-record: --dir %s: %s\n", utf8Text(folder).c_str(), why.c_str());
            return 1;
        }
        dayFolders.push_back(folder.lexically_normal());
    }
    return 0;
}

// MQTT, /metrics and the web page, before any meter records: a broken option stops the
// run at once (exit 2) instead of after its first rows.
int RecorderApp::startOutputs() {
    auto started = startRecorderOutputs(m_options);
    if (auto* error = std::get_if<std::string>(&started)) {
        std::fprintf(stderr, "kzrt-record: %s\n", error->c_str());
        return 2;
    }
    m_outputs = std::move(std::get<std::unique_ptr<RecorderOutputs>>(started));
    return 0;
}

int RecorderApp::start() {
    if (const int code = startOutputs(); code != 0) return code;
    std::vector<runtime::Path> dayFolders;
    if (const int code = prepareFolders(dayFolders); code != 0) return code;
    std::vector<int> portNumbers;
    if (std::string error = m_links.assign(m_options.meters, portNumbers); !error.empty()) {
        std::fprintf(stderr, "kzrt-record: %s\n", error.c_str());
        return 2;
    }
    for (std::size_t i = 0; i < m_options.meters.size(); ++i) {
        auto* meter = new MeterRecorder(m_options.meters[i], portNumbers[i], dayFolders[i], m_options, this);
        connect(meter, &MeterRecorder::stopped, this, &RecorderApp::onMeterStopped, Qt::QueuedConnection);
        if (m_outputs) {
            connect(meter, &MeterRecorder::rowRecorded, this,
                    [this, meter](runtime::DateTime when) { m_outputs->rowRecorded(*meter, when); });
            // A stopped meter says so at once, before the others stop.
            for (auto signal : {&MeterRecorder::secondPassed, &MeterRecorder::stopped}) {
                connect(meter, signal, this, [this, meter] { m_outputs->follow(*meter); });
            }
        }
        m_meters.push_back(meter);
    }
    for (MeterRecorder* meter : m_meters) {
        if (!meter->start()) {
            std::fprintf(stderr, "kzrt-record: %s: the port cannot be opened now (--no-wait)\n",
                         meter->summary().port.c_str());
            return 2;
        }
    }
    new StopSignals([this] { stopAll(StopReason::Signal); }, this);
    auto* links = new QTimer(this);
    connect(links, &QTimer::timeout, this, [this] {
        m_links.followReplacedLinks();
        if (m_outputs) m_outputs->logEvents();
    });
    links->start(1000);
    if (const auto period = watchdogPeriod()) {
        auto* watchdog = new QTimer(this);
        connect(watchdog, &QTimer::timeout, this, [] { notifyWatchdog(); });
        watchdog->start(int(period->count()));
    }
    notifyReady("recording " + std::to_string(m_meters.size()) + " meter(s)");
    return 0;
}

void RecorderApp::stopAll(StopReason reason) {
    for (MeterRecorder* meter : m_meters) meter->stop(reason);
}

void RecorderApp::onMeterStopped() {
    for (const MeterRecorder* meter : m_meters) {
        if (meter->running()) return;
    }
    if (m_finished) return;
    m_finished = true;
    notifyStopping();
    std::vector<RunSummary> summaries;
    for (const MeterRecorder* meter : m_meters) {
        summaries.push_back(meter->summary());
        std::printf("%s\n", summaryLine(meter->summary()).c_str());
    }
    std::fflush(stdout);
    // A run that lost rows, or left some only in a hidden log, did not do
    // what it was asked.
    int code = 0;
    for (const RunSummary& summary : summaries) {
        if (rowsMissing(summary)) code = 1;
    }
    if (!m_options.summaryFile.empty()) {
        QFile file(QString::fromStdString(m_options.summaryFile));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(summaryJson(summaries)) < 0) {
            logLine(LogKind::Problem, "summary-failed", m_options.summaryFile + " " + file.errorString().toStdString());
            code = 1;
        }
    }
    emit finished(code);
}

}  // namespace record
