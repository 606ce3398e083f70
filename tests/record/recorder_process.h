#pragma once
// kzrt-record run as users run it, against meters on pseudo-terminals.
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "tests/serial/pty_far_end.h"
#include "tests/spawned_program.h"
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
    std::filesystem::path folder() const { return m_folder.path().toStdString(); }
    void start(const QStringList& arguments) {
        std::vector<std::string> words;
        for (const QString& argument : arguments) words.push_back(argument.toStdString());
        kzrt::testing::SpawnedProgram::Options options;
        options.workingDirectory = folder().string();
        m_process.start(KZRT_RECORD, words, options);
    }
    // Exit code, -2 when a signal ended it, or -1 when it did not end within `ms`.
    int waitForExit(int ms) { return m_process.waitForExit(std::chrono::milliseconds(ms)); }
    void signal(int number) { m_process.signal(number); }
    std::string out() { return m_process.out(); }
    std::string err() { return m_process.err(); }
    // Waits until stderr holds `text` (from anywhere since the start).
    bool waitForErr(const std::string& text, int ms) {
        QElapsedTimer timer;
        timer.start();
        while (err().find(text) == std::string::npos) {
            if (timer.elapsed() > ms || !m_process.running()) return err().find(text) != std::string::npos;
            m_process.waitForOutput(std::chrono::milliseconds(100));
        }
        return true;
    }
    qint64 pid() const { return m_process.pid(); }

private:
    QTemporaryDir m_folder;
    kzrt::testing::SpawnedProgram m_process;
};

}  // namespace record::testing
