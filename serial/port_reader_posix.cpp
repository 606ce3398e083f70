// The reader thread: one poll() on the device and on the wake-up pipe (stop,
// write and room-in-the-queue requests), whatever the device holds read in
// one call, one notification queued per byte.
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <span>

#include "serial/port_engine_posix.h"
#include "serial/termios_extras_posix.h"

namespace serial {
namespace {

constexpr std::size_t kReadChunk = 16 * 1024;
// A read smaller than this is a trickle: the next one waits kGatherTime so
// that a meter streaming at 115200 baud costs about fifty wake-ups of each
// thread a second, not one per burst the driver hands over. Bytes are delayed
// by at most that long, less than a screen refresh or two; a flood (large
// reads) is read back to back.
constexpr std::size_t kGatherBelow = 1024;
constexpr auto kGatherTime = std::chrono::milliseconds(20);

// A write may take Timeout ms per byte plus Timeout ms; 0 means no limit.
Clock::time_point writeDeadline(int timeoutMs, std::size_t bytes) {
    constexpr long long kOneDayMs = 24LL * 3600 * 1000;
    if (timeoutMs <= 0) return Clock::time_point::max();
    const long long perByte = timeoutMs;
    const long long count = static_cast<long long>(std::min<std::size_t>(bytes, kOneDayMs)) + 1;
    return Clock::now() + std::chrono::milliseconds(std::min(perByte * count, kOneDayMs * 365));
}

ModemLines modemLinesOf(int status) {
    return ModemLines{(status & TIOCM_CTS) != 0, (status & TIOCM_DSR) != 0, (status & TIOCM_RI) != 0,
                      (status & TIOCM_CD) != 0};
}

}  // namespace

void PortChannel::Engine::run() {
    Clock::time_point gatherUntil;
    for (;;) {
        // A full queue, or a device that is away, is left out of the wait:
        // the thread then sleeps until the GUI thread drains the queue, a
        // request comes or (away) a device may have appeared. After a small
        // read the device is also left out for a moment, so a trickle of
        // bytes is gathered into fewer wake-ups.
        const bool isAway = away();
        const bool gathering = !isAway && Clock::now() < gatherUntil;
        const bool full = queue.isFull();
        const bool watchDevice = !isAway && !full && !gathering;
        pollfd fds[2] = {{wake.readFd(), POLLIN, 0}, {isAway ? watch.fd() : fd, POLLIN, 0}};
        const nfds_t count = (watchDevice || (isAway && watch.fd() >= 0)) ? 2 : 1;
        const int ready = ::poll(fds, count, waitTimeout(gathering, full, gatherUntil));
        if (ready < 0 && errno != EINTR && !isAway) markLost();
        if (fds[0].revents != 0) wake.drain();

        bool write = false;
        {
            std::lock_guard lock(mutex);
            if (stopRequested) return;
            write = std::exchange(writeRequested, false);
        }
        // A stop comes before received data, received data before a write.
        if (isAway) {
            const bool changed = count == 2 && fds[1].revents != 0;
            if (changed) watch.drain();
            lookForDevice(changed);
        } else {
            checkLines();
            if (watchDevice && fds[1].revents != 0 && !lost()) {
                const std::size_t got = readAvailable(fds[1].revents);
                if (got > 0 && got < kGatherBelow) gatherUntil = Clock::now() + kGatherTime;
            }
        }
        if (lost()) loseDevice();
        if (write) {
            const bool ok = performWrite();
            if (lost()) loseDevice();
            std::lock_guard lock(mutex);
            writeResult = ok;
            writeDone = true;
            writeDoneSignal.notify_all();
        }
    }
}

int PortChannel::Engine::waitTimeout(bool gathering, bool full, Clock::time_point gatherUntil) const {
    if (state.load() == DeviceState::GivenUp) return -1;
    if (away()) return millisecondsUntil(nextReconnectLook);
    int timeout = watchLines ? millisecondsUntil(nextModemPoll) : -1;
    if (gathering && !full) {
        const int gather = millisecondsUntil(gatherUntil);
        timeout = timeout < 0 ? gather : std::min(timeout, gather);
    }
    return timeout;
}

std::size_t PortChannel::Engine::readAvailable(short revents) {
    std::uint8_t buffer[kReadChunk];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
        std::vector<Notification> items;
        items.reserve(static_cast<std::size_t>(n));
        decoder.decode(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)), items);
        post(items);
        return static_cast<std::size_t>(n);
    }
    const int error = n < 0 ? errno : 0;
    const bool hungUp = (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    if (n < 0 && (error == EAGAIN || error == EINTR) && !hungUp) return 0;
    // End of file or EIO is a hang-up only when the device confirms it: a
    // hang-up flag from poll(), or the terminal refusing a plain request.
    termios probe{};
    if (hungUp || error == EIO || ::tcgetattr(fd, &probe) != 0) markLost();
    return 0;
}

void PortChannel::Engine::readWhatHasArrived() {
    while (!lost() && !queue.isFull() && readAvailable(0) == kReadChunk) {
    }
}

LineSnapshot PortChannel::Engine::takeLineSnapshot() {
    LineSnapshot now;
    if (watchCounters) {
        LineCounters counters;
        const int error = posix::readLineCounters(fd, counters);
        if (error == EIO) markLost();
        if (error == 0) now.counters = counters;
    }
    if (!watchLines) return now;
    const bool counted = now.counters && lines.counters &&
                         (now.counters->cts != lines.counters->cts || now.counters->dsr != lines.counters->dsr ||
                          now.counters->carrier != lines.counters->carrier || now.counters->ring != lines.counters->ring);
    if (!counted && Clock::now() < nextModemPoll) {
        now.lines = lines.lines;
        return now;
    }
    int status = 0;
    if (::ioctl(fd, TIOCMGET, &status) == 0) {
        now.lines = modemLinesOf(status);
    } else if (errno == EIO) {
        markLost();
    }
    nextModemPoll = Clock::now() + kModemPollInterval;
    return now;
}

void PortChannel::Engine::checkLines() {
    if (!watchCounters && !watchLines) return;
    LineSnapshot now = takeLineSnapshot();
    if (lost()) return;
    std::vector<Notification> items;
    lineChanges(lines, now, marksInBand, items);
    lines = std::move(now);
    post(items);
}

void PortChannel::Engine::post(const std::vector<Notification>& items) {
    if (queue.append(items) && onPending) onPending();
}

bool PortChannel::Engine::performWrite() {
    if (fd < 0) return false;
    // Received bytes not yet read are discarded, as a send always does. But
    // bytes that arrived while the reader was gathering a trickle have been
    // received, not merely sent: take them first, so that only what arrives
    // during the purge itself can be lost. The output side is left alone: it
    // holds only bytes of earlier sends, which were reported written and must
    // still reach the line.
    readWhatHasArrived();
    if (lost()) return false;
    ::tcflush(fd, TCIFLUSH);
    decoder.reset();
    const std::string& data = writeBuffer;
    const Clock::time_point deadline = writeDeadline(timeoutMs, data.size());
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            if (errno == EIO) markLost();
            return false;
        }
        if (!waitWritable(deadline)) return false;
    }
    return true;
}

bool PortChannel::Engine::waitWritable(Clock::time_point deadline) {
    for (;;) {
        pollfd fds[2] = {{fd, POLLOUT, 0}, {wake.readFd(), POLLIN, 0}};
        const int timeout = deadline == Clock::time_point::max() ? -1 : millisecondsUntil(deadline);
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;  // the write time-out ran out
        if (fds[1].revents != 0) {
            wake.drain();
            std::lock_guard lock(mutex);
            if (stopRequested) return false;
        }
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            markLost();
            return false;
        }
        if ((fds[0].revents & POLLOUT) != 0) return true;
    }
}

}  // namespace serial
