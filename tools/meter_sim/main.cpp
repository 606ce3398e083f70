// kzrt-meter-sim: the meter on a pseudo-terminal, for running and testing the
// console without hardware. See usage() in sim_options.cpp.
#include <QTranslator>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <csignal>
#include <cstdio>
#include <clocale>
#include <exception>
#include <random>

#include "tools/meter_sim/line_pacer.h"
#include "tools/meter_sim/meter_frame.h"
#include "tools/meter_sim/meter_profile.h"
#include "tools/meter_sim/pty_line.h"
#include "tools/meter_sim/sim_options.h"
#include "tools/meter_sim/sim_texts.h"
#include "platform/translations.h"

namespace meter_sim {
namespace {

int g_signalPipe[2] = {-1, -1};

// Every message goes to the standard error, after the program's name.
void say(const QString& message) { std::fprintf(stderr, "kzrt-meter-sim: %s\n", utf8(message).c_str()); }

void onSignal(int) {
    const char knock = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &knock, 1);
}

bool installSignals() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(s, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

class Simulator {
public:
    Simulator(const Options& options, PtyLine& line)
        : m_options(options), m_line(line), m_pacer(options.baud), m_clock(options.fps),
          m_random(options.seed), m_text(options.startInText), m_oneShotPending(!options.oneShot.empty()),
          m_start(std::chrono::steady_clock::now()) {}

    int run();

private:
    double now() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }
    void sendDueFrame(double t);
    void writeReleased(double t);
    void handleConsole();
    int waitMilliseconds(double t) const;

    const Options& m_options;
    PtyLine& m_line;
    LinePacer m_pacer;
    FrameClock m_clock;
    CommandWatch m_command;
    std::mt19937 m_random;
    bool m_text;
    bool m_oneShotPending;
    bool m_oneShotQueued = false;
    bool m_listenerSeen = false;
    bool m_stop = false;
    std::uint64_t m_frames = 0;
    std::chrono::steady_clock::time_point m_start;
};

void Simulator::sendDueFrame(double t) {
    // Back to back, the line's own rhythm decides (up to a tenth of a second
    // of catching up after a stall); at a frame rate, a frame starts when due.
    const double earliest = m_options.fps > 0 ? t : t - 0.1;
    const bool oneShotNow = m_oneShotPending && m_listenerSeen;
    const bool streaming = m_options.profile != Profile::None;
    if (!oneShotNow && !streaming) return;
    if (!m_clock.due(t, m_pacer.backlog())) return;
    if (oneShotNow) {
        m_pacer.enqueue(m_options.oneShot, earliest);
        m_oneShotPending = false;
        m_oneShotQueued = true;
        say(MeterSim::tr("sending the %1 one-shot bytes").arg(m_options.oneShot.size()));
        return;
    }
    const MeterSample sample = sampleAt(m_options.profile, t * m_options.speed, m_frames++);
    const std::string bytes = m_text ? textLine(sample) : frameBytes(encodeFrame(sample));
    m_pacer.enqueue(damage(bytes, m_options.noise, m_options.drop, m_random), earliest);
}

void Simulator::writeReleased(double t) {
    const std::string out = m_pacer.release(t);
    // Nobody listening, or a full line: the bytes are lost, as on a real wire.
    if (!out.empty()) [[maybe_unused]] ssize_t n = ::write(m_line.master(), out.data(), out.size());
    if (m_oneShotQueued && m_pacer.backlog() == 0 && m_options.exitAfterOneShot) m_stop = true;
}

void Simulator::handleConsole() {
    const MasterPacket packet = readMaster(m_line.master());
    if (packet.flushed) m_listenerSeen = true;
    for (char c : packet.data) {
        if (!m_command.feed(static_cast<std::uint8_t>(c))) continue;
        m_text = !m_text;
        say(m_text ? MeterSim::tr("\"XT\" received, now sending text") : MeterSim::tr("\"XT\" received, now sending binary frames"));
    }
}

int Simulator::waitMilliseconds(double t) const {
    double next = std::min(m_pacer.nextReleaseAt(), m_clock.nextAt());
    if (m_clock.nextAt() == std::numeric_limits<double>::infinity() && m_pacer.backlog() == 0 &&
        (m_options.profile != Profile::None || (m_oneShotPending && m_listenerSeen)))
        next = t;  // back to back: the next frame is due now
    if (next == std::numeric_limits<double>::infinity()) return -1;
    // At least a millisecond between writes: at high rates each write then
    // carries the handful of bytes the line sent meanwhile.
    return std::max(1, static_cast<int>(std::ceil((next - t) * 1000.0)));
}

int Simulator::run() {
    while (!m_stop) {
        const double t = now();
        sendDueFrame(t);
        writeReleased(t);
        sendDueFrame(t);  // back to back: the next frame follows the last byte without a gap
        if (m_stop) break;
        pollfd fds[2] = {{m_line.master(), POLLIN, 0}, {g_signalPipe[0], POLLIN, 0}};
        if (::poll(fds, 2, waitMilliseconds(now())) < 0 && errno != EINTR) return 1;
        if (fds[1].revents != 0) break;
        if (fds[0].revents & POLLIN) handleConsole();
    }
    return 0;
}

}  // namespace
}  // namespace meter_sim

int main(int argc, char** argv) {
    using namespace meter_sim;
    QCoreApplication app(argc, argv);
    // Qt takes the whole locale from the environment; numbers printed and
    // read here keep the C form whatever the user's language.
    std::setlocale(LC_NUMERIC, "C");
    QTranslator translator;
    platform::installTranslation(translator);

    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const ParsedOptions parsed = parseOptions(args);
    if (!parsed.options) {
        say(qs(parsed.error) + QLatin1Char('\n') + MeterSim::tr("(--help explains the options)"));
        return 2;
    }
    const Options& options = *parsed.options;
    if (options.help) {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    if (!installSignals()) return 1;
    try {
        PtyLine line(options.port);
        const QString pace = options.fps == 0 ? MeterSim::tr("%1 baud, frames back to back").arg(options.baud)
                                               : MeterSim::tr("%1 baud, %2 frames/s").arg(options.baud).arg(options.fps);
        say(MeterSim::tr("%1 -> %2, %3; Ctrl+C stops").arg(qs(line.linkName()), qs(line.slavePath()), pace));
        Simulator simulator(options, line);
        return simulator.run();
    } catch (const std::exception& e) {
        say(qs(e.what()));
        return 1;
    }
}
