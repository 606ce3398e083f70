#pragma once
// The real main window, offscreen, in a fresh temporary working directory that
// is also its program directory (settings file, COMn links and recording files
// all land there and vanish with the test).
#include <QApplication>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>

#include "console/control_ids.h"
#include "console/main_window.h"
#include "storage/recording_thread.h"
#include "runtime/program_paths.h"
#include "tests/test_application.h"

namespace console::testing {

using kzrt::testing::application;

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

inline void writeFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

class ConsoleFixture : public ::testing::Test {
protected:
    ConsoleFixture() {
        application();
        // Native separators, as the module path and the day file name use them.
        dir = std::filesystem::path(m_tmp.path().toStdU16String()).make_preferred();
        m_oldDir = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        runtime::SetModulePath(dir / "kzrt-console");
    }
    ~ConsoleFixture() override {
        window.reset();
        std::filesystem::current_path(m_oldDir);
    }

    // Loads the window and runs its created event, as the program does.
    MainWindow& startWindow() {
        window = std::make_unique<MainWindow>();
        window->start();
        return *window;
    }
    platform::Form& form() { return window->form(); }
    Console& context() { return window->context(); }
    std::filesystem::path settingsPath() const { return dir / "kzrt-console.ini"; }
    // Rows are written on the recording's own thread: waits until what the
    // ticks handed over is written and its report has reached the tooltip.
    void settleRecording() {
        if (window && window->values().recordingThread) window->values().recordingThread->waitUntilIdle();
        QCoreApplication::sendPostedEvents();
    }

    std::filesystem::path dir;
    std::unique_ptr<MainWindow> window;

private:
    QTemporaryDir m_tmp;
    std::filesystem::path m_oldDir;
};

}  // namespace console::testing
