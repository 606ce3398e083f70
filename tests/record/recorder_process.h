#pragma once
// kzrt-record run as users run it, against meters on pseudo-terminals.
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "tests/serial/pty_far_end.h"
#include "tools/meter_sim/meter_frame.h"

namespace record::testing {

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// A meter on a pseudo-terminal streaming frames of whatever `reading` says
// for the time since it started, 20 frames a second.
class PtyMeter : public serial::testing::PtyFarEnd {
public:
    using Reading = std::function<meter_sim::MeterSample(double seconds)>;
    explicit PtyMeter(Reading reading) : m_reading(std::move(reading)) {
        m_thread = std::thread([this] { stream(); });
    }
    ~PtyMeter() { stop(); }
    void stop() {
        m_running = false;
        if (m_thread.joinable()) m_thread.join();
    }

private:
    void stream() {
        const auto start = std::chrono::steady_clock::now();
        while (m_running) {
            const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            write(meter_sim::frameBytes(meter_sim::encodeFrame(m_reading(t))));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    Reading m_reading;
    std::atomic<bool> m_running{true};
    std::thread m_thread;
};

inline PtyMeter::Reading steady(double volts, double amps) {
    return [volts, amps](double) { return meter_sim::MeterSample{volts, amps, 25.0}; };
}

// The recorder in a fresh working folder.
class Recorder {
public:
    Recorder() {
        m_process.setWorkingDirectory(m_folder.path());
        m_process.setProgram(QStringLiteral(KZRT_RECORD));
    }
    std::filesystem::path folder() const { return m_folder.path().toStdString(); }
    void start(const QStringList& arguments) {
        m_process.setArguments(arguments);
        m_process.start();
        m_process.waitForStarted();
    }
    // Exit code, or -1 when it did not end within `ms`.
    int waitForExit(int ms) {
        if (!m_process.waitForFinished(ms)) return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -2;
    }
    void signal(int number) { ::kill(pid_t(m_process.processId()), number); }
    std::string out() { return (m_out += m_process.readAllStandardOutput()).toStdString(); }
    std::string err() { return (m_err += m_process.readAllStandardError()).toStdString(); }
    // Waits until stderr holds `text` (from anywhere since the start).
    bool waitForErr(const std::string& text, int ms) {
        QElapsedTimer timer;
        timer.start();
        while (err().find(text) == std::string::npos) {
            if (timer.elapsed() > ms || m_process.state() == QProcess::NotRunning) return err().find(text) != std::string::npos;
            m_process.waitForReadyRead(100);
        }
        return true;
    }
    qint64 pid() const { return m_process.processId(); }

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    QByteArray m_out, m_err;
};

}  // namespace record::testing
