// Reconnection figures for the serial engine (a harness, not a test), with a
// pseudo-terminal behind a COMn link standing in for a USB adapter:
//   return:  time from the device's return (its link back in place) to the
//            first byte delivered (goal: 0.5 s or less)
//   idle:    CPU the reader thread uses while it waits for the device
//   flap:    a device that goes and comes back every 100 ms: losses and
//            returns, bytes out of order, descriptors before and after
// Usage: reconnect_bench [rounds 20] [idle 10] [flap 60]   (seconds for idle and flap)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "serial/port_channel.h"
#include "tests/serial/pty_far_end.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using serial::testing::PtyFarEnd;
constexpr int kPort = 7;

serial::PortSettings settings() {
    serial::PortSettings s;
    s.portNumber = kPort;
    s.baudRate = 115200;
    return s;
}

template <typename Done>
bool waitFor(Done done, std::chrono::milliseconds within) {
    const auto deadline = Clock::now() + within;
    while (!done())
        if (Clock::now() > deadline) return false;
        else std::this_thread::sleep_for(200us);
    return true;
}

std::size_t descriptors() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

struct Line {
    serial::testing::ScratchDirectory dir;
    std::unique_ptr<PtyFarEnd> far = std::make_unique<PtyFarEnd>();
    serial::PortChannel channel{{}};
    Line() { dir.link(kPort, far->slavePath()); }
    void unplug() { far.reset(); }
    void plugBackIn() {
        far = std::make_unique<PtyFarEnd>();
        dir.link(kPort, far->slavePath());
    }
    std::size_t bytes() {
        std::size_t n = 0;
        for (const auto& item : channel.takeNotifications()) n += item.code == serial::kByteReceived;
        return n;
    }
};

int returnTime(int rounds) {
    Line line;
    if (!line.channel.open(settings())) return std::printf("cannot open: %s\n", line.channel.lastError().message.c_str()), 1;
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        line.unplug();
        if (!waitFor([&] { return line.channel.deviceGone(); }, 5s)) return std::puts("loss not seen"), 1;
        line.bytes();
        std::this_thread::sleep_for(200ms);
        line.plugBackIn();
        const auto back = Clock::now();
        // The far end keeps talking, as a meter does; what it said before the
        // reopen is purged by it.
        bool arrived = false;
        while (!arrived && Clock::now() - back < 5s) {
            line.far->write("x");
            arrived = waitFor([&] { return line.bytes() > 0; }, 1ms);
        }
        if (!arrived) return std::puts("no byte after the return"), 1;
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - back).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("return to first byte, %d rounds: median %.1f ms, max %.1f ms\n", rounds, ms[ms.size() / 2], ms.back());
    return 0;
}

int idleCpu(int seconds) {
    Line line;
    if (!line.channel.open(settings())) return 1;
    line.unplug();
    if (!waitFor([&] { return line.channel.deviceGone(); }, 5s)) return 1;
    const auto before = *line.channel.readerCpuTime();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double used = std::chrono::duration<double>(*line.channel.readerCpuTime() - before).count();
    std::printf("reader CPU while waiting %d s: %.6f s = %.4f %% of one core\n", seconds, used, 100.0 * used / seconds);
    return 0;
}

int flap(int seconds) {
    const std::size_t before = descriptors();
    int outOfOrder = 0, written = 0;
    serial::ReconnectionState log;
    {
        Line line;
        if (!line.channel.open(settings())) return 1;
        unsigned char next = 0, expected = 0;
        const auto until = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < until) {
            if (waitFor([&] { return !line.channel.deviceGone(); }, 40ms)) {
                ++written;
                for (int i = 0; i < 16; ++i) line.far->write(std::string(1, static_cast<char>(next++)));
            }
            std::this_thread::sleep_for(50ms);
            for (const auto& item : line.channel.takeNotifications()) {
                if (item.code != serial::kByteReceived) continue;
                // Bytes may be lost with a vanished device, never reordered.
                if (static_cast<unsigned char>(item.value - expected) > 127) ++outOfOrder;
                expected = static_cast<unsigned char>(item.value + 1);
            }
            line.unplug();
            std::this_thread::sleep_for(50ms);
            line.plugBackIn();
        }
        log = line.channel.reconnection();
        line.channel.close();
    }
    std::printf("flapping every 100 ms for %d s: %d losses, %d returns, %d rounds written to, %d bytes out of "
                "order, descriptors %zu before and %zu after\n",
                seconds, log.losses, log.returns, written, outOfOrder, before, descriptors());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const auto arg = [&](int i, int fallback) { return argc > i ? std::atoi(argv[i]) : fallback; };
    return returnTime(arg(1, 20)) | idleCpu(arg(2, 10)) | flap(arg(3, 60));
}
