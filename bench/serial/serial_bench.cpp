// Serial port unit figures (a harness, not a test):
//   paced:      CPU used by this process while kzrt-meter-sim streams frames
//               back to back at 115200 baud (target: under 2 % of one core)
//   throughput: bytes per second delivered as DataArrived on the GUI thread
//               when the far end writes as fast as it can (target: 1 MB/s)
// Usage: serial_bench [paced SECONDS] [throughput MEBIBYTES]   (default: both, 20 s, 64 MiB)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "serial/serial_port_unit.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

double cpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return s(usage.ru_utime) + s(usage.ru_stime);
}

// The console's stored configuration at the given rate.
void configure(serial::SerialPortUnit& unit, int port, int baud) {
    unit.writeProperty(serial::kPortNumberSlot, port);
    unit.writeProperty(serial::kBaudRateSlot, baud);
    unit.writeProperty(serial::kParitySlot, 2);
    unit.writeProperty(serial::kParityCheckSlot, 1);
}

// Counts what arrives, and how many 18-byte frames begin with a start byte at
// the right place, so the handler does a little of the console's work.
struct Receiver {
    std::uint64_t bytes = 0;
    std::uint64_t frames = 0;
    int position = -1;
    void onByte(int byte) {
        ++bytes;
        if (byte >= 160 && byte <= 162) {
            position = 0;
            return;
        }
        if (position >= 0 && ++position == 17) {
            ++frames;
            position = -1;
        }
    }
};

int paced(double seconds) {
    const auto dir = std::filesystem::temp_directory_path() / ("kzrt-serial-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    const char* argv[] = {KZRT_METER_SIM, "--port", "9", "--baud", "115200", "--fps", "0", nullptr};
    pid_t sim = -1;
    if (::posix_spawn(&sim, KZRT_METER_SIM, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return 1;
    for (int i = 0; i < 500 && !std::filesystem::exists("COM9"); ++i) std::this_thread::sleep_for(10ms);

    serial::SerialPortUnit unit;
    configure(unit, 9, 115200);
    Receiver receiver;
    unit.setEventSink([&](int event, std::int32_t argument) {
        if (event == 1) receiver.onByte(argument);
    });
    if (!unit.Open()) {
        std::printf("paced: cannot open COM9: %s\n", unit.lastOpenError().c_str());
        ::kill(sim, SIGTERM);
        return 1;
    }
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(static_cast<int>(seconds * 1000), qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double elapsed = wall.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    unit.Close();
    ::kill(sim, SIGTERM);
    ::waitpid(sim, nullptr, 0);
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(dir);

    std::printf("paced 115200 baud, %.1f s: %llu bytes (%.0f B/s, %llu frames), CPU %.3f s = %.2f %% of one core"
                " (simulator: %.2f %%)\n",
                elapsed, static_cast<unsigned long long>(receiver.bytes), receiver.bytes / elapsed,
                static_cast<unsigned long long>(receiver.frames), cpu, 100.0 * cpu / elapsed,
                100.0 * cpuSeconds(RUSAGE_CHILDREN) / elapsed);
    return 0;
}

int throughput(std::size_t mebibytes) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return 1;
    const auto dir = std::filesystem::temp_directory_path() / ("kzrt-serial-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::create_symlink(::ptsname(master), dir / "COM8");
    std::filesystem::current_path(dir);

    serial::SerialPortUnit unit;
    configure(unit, 8, 115200);
    const std::size_t total = mebibytes << 20;
    std::uint64_t received = 0;
    std::uint64_t wrong = 0;
    QElapsedTimer wall;
    unit.setEventSink([&](int event, std::int32_t argument) {
        if (event != 1) return;
        if (received == 0) wall.start();
        if (argument != static_cast<int>(received % 251)) ++wrong;
        if (++received == total) QCoreApplication::quit();
    });
    if (!unit.Open()) {
        std::printf("throughput: cannot open: %s\n", unit.lastOpenError().c_str());
        return 1;
    }
    std::thread writer([&] {
        std::string block(64 * 1024, '\0');
        std::size_t sent = 0;
        while (sent < total) {
            const std::size_t n = std::min(block.size(), total - sent);
            for (std::size_t i = 0; i < n; ++i) block[i] = static_cast<char>((sent + i) % 251);
            std::size_t done = 0;
            while (done < n) {
                const ssize_t w = ::write(master, block.data() + done, n - done);
                if (w <= 0) return;
                done += static_cast<std::size_t>(w);
            }
            sent += n;
        }
    });
    QTimer::singleShot(120000, qApp, &QCoreApplication::quit);  // a stall ends the run
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    QCoreApplication::exec();
    const double elapsed = wall.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    unit.Close();
    ::close(master);
    writer.join();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(dir);

    std::printf("throughput: %llu of %zu bytes in %.2f s = %.2f MB/s delivered to the GUI thread"
                " (%llu out of order; process CPU %.2f s incl. the writer)\n",
                static_cast<unsigned long long>(received), total, elapsed, received / elapsed / 1e6,
                static_cast<unsigned long long>(wrong), cpu);
    return received == total && wrong == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    double seconds = 20;
    std::size_t mebibytes = 64;
    bool runPaced = args.empty(), runThroughput = args.empty();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size() && std::isdigit(static_cast<unsigned char>(args[i + 1][0]));
        if (args[i] == "paced") {
            runPaced = true;
            if (hasValue) seconds = std::atof(args[++i].c_str());
        } else if (args[i] == "throughput") {
            runThroughput = true;
            if (hasValue) mebibytes = static_cast<std::size_t>(std::atol(args[++i].c_str()));
        }
    }
    int status = 0;
    if (runPaced) status |= paced(seconds);
    if (runThroughput) status |= throughput(mebibytes);
    return status;
}
