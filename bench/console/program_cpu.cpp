// Whole-program load at the meter's highest line speed: the bundled simulator
// streams frames back to back at 115200 baud into the real window (offscreen),
// with the port open, the stopwatch running, recording every second and the
// curves ticking. Prints the console process's CPU time (GUI thread and serial
// reader together) as a share of one core over the measured wall time.
// With --xvfb it starts an X server of its own (Xvfb) and draws there, as on a
// real display, and also prints the X server's share.
//
//   program_cpu_bench [seconds] [--xvfb]     (default 10 s, offscreen)
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QEvent>
#include <QEventLoop>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "bench/process_cpu.h"
#include "console/control_ids.h"
#include "console/data_recording.h"
#include "console/elapsed_timer.h"
#include "console/main_window.h"
#include "console/port_control.h"
#include "runtime/program_paths.h"
#include "serial/serial_port_unit.h"

namespace {

// CPU seconds of each thread of this process, by thread id and name.
std::map<int, std::pair<std::string, double>> threadCpuSeconds() {
    std::map<int, std::pair<std::string, double>> threads;
    const double tick = double(sysconf(_SC_CLK_TCK));
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const auto open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        double utime = 0, stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14) utime = std::stod(field);
            if (i == 15) stime = std::stod(field);
        }
        threads[std::stoi(entry.path().filename().string())] = {line.substr(open + 1, close - open - 1),
                                                                (utime + stime) / tick};
    }
    return threads;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

pid_t startSimulator() {
    const pid_t pid = fork();
    if (pid == 0) {
        execl(KZRT_METER_SIM, KZRT_METER_SIM, "--port", "1", "--baud", "115200", "--fps", "0", "--profile", "battery",
              "--speed", "20", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// Starts Xvfb on a display no other server holds and points this process at
// it, once its socket is there. Returns the server's pid, or -1.
pid_t startXvfb() {
    int number = 90;
    while (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) ++number;
    const std::string display = ":" + std::to_string(number);
    const pid_t pid = fork();
    if (pid == 0) {
        execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!std::filesystem::exists(socket)) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return pid;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

// A loop of its own: quitting the application's loop would also close the
// window, and the rest of the run would measure a hidden window.
void runEventLoopFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

// The whole run with the application, the window and the simulator; the X
// server (if any) outlives them all.
int measure(int argc, char** argv, int seconds, pid_t server) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir directory;
    std::filesystem::current_path(directory.path().toStdString());
    runtime::SetModulePath(directory.filePath("kzrt-console").toStdString());

    const pid_t simulator = startSimulator();
    for (int i = 0; i < 100 && !std::filesystem::exists("COM1"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));

    console::MainWindow window;
    window.start();
    window.show();
    platform::Form& form = window.form();
    form.setComboText(console::kBaudCombo, "115200");
    console::openPort(window.context());
    if (form.fillColour(console::kPortLamp) != console::kLampGreen) {
        std::fprintf(stderr, "the port did not open: %s\n", window.port().lastOpenError().c_str());
        kill(simulator, SIGTERM);
        return 1;
    }
    console::onTimingButton(window.context());
    form.setChecked(console::kRecordBox, 1);
    console::onRecordBoxClicked(window.context());

    PaintCounter paints;
    form.find(console::kVoltageReadout)->widget->installEventFilter(&paints);
    runEventLoopFor(1000);  // warm-up: first frames, first paints
    const int paintsBefore = paints.count;
    const std::uint64_t deliveriesBefore = window.port().deliveryCount();
    const auto threadsBefore = threadCpuSeconds();
    const double cpuBefore = cpuSeconds();
    const double serverBefore = server > 0 ? bench::processCpuSeconds(server) : 0.0;
    const auto wallBefore = std::chrono::steady_clock::now();
    runEventLoopFor(seconds * 1000);
    const double cpu = cpuSeconds() - cpuBefore;
    const double serverCpu = server > 0 ? bench::processCpuSeconds(server) - serverBefore : 0.0;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const std::uint64_t deliveries = window.port().deliveryCount() - deliveriesBefore;
    const auto threadsAfter = threadCpuSeconds();
    const std::string volts = form.text(console::kVoltageReadout), amps = form.text(console::kCurrentReadout);

    console::closePort(window.context());
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);

    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("wall %.2f s, console CPU %.3f s = %.2f %% of one core\n", wall, cpu, 100.0 * cpu / wall);
    if (server > 0) std::printf("X server (Xvfb) CPU: %.2f %% of one core\n", 100.0 * serverCpu / wall);
    for (const auto& [tid, thread] : threadsAfter) {
        const auto before = threadsBefore.find(tid);
        const double used = thread.second - (before == threadsBefore.end() ? 0.0 : before->second.second);
        if (used > 0) std::printf("  thread %d (%s): %.2f %% of one core\n", tid, thread.first.c_str(), 100.0 * used / wall);
    }
    std::printf("port deliveries to the GUI thread: %.0f per second\n", double(deliveries) / wall);
    std::printf("voltage read-out painted %.1f times per second\n", double(paints.count - paintsBefore) / wall);
    std::printf("stopwatch %s:%s:%s, read-outs %s V %s A, day file rows written every second\n",
                form.text(console::kHoursReadout).c_str(), form.text(console::kMinutesReadout).c_str(),
                form.text(console::kSecondsReadout).c_str(), volts.c_str(), amps.c_str());
    return 0;
}

int main(int argc, char** argv) {
    int seconds = 10;
    bool xvfb = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--xvfb") xvfb = true;
        else seconds = std::atoi(argv[i]);
    }
    const pid_t server = xvfb ? startXvfb() : -1;
    if (xvfb && server < 0) {
        std::fprintf(stderr, "Xvfb did not start (Debian package xvfb)\n");
        return 1;
    }
    const int result = measure(argc, argv, seconds, server);
    if (server > 0) {
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
    }
    return result;
}
