// The POSIX engine: a terminal device opened exclusively, one reader thread
// that waits in poll() on the device and on a wake-up pipe (stop, write and
// room-in-the-queue requests), reads whatever the device holds in one call
// and queues one notification per byte.
//
// A device that goes away while the port is open is closed by the reader at
// once, so that the system can give its name to the device when it returns
// (a descriptor left open on a dead adapter makes it come back under another
// number). The reader then waits for it without spending CPU and reopens it
// with the same settings; the owner only ever sees bytes again.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "serial/device_watch.h"
#include "serial/line_mapping_posix.h"
#include "serial/line_watch.h"
#include "serial/parity_marks.h"
#include "serial/port_channel.h"
#include "serial/port_names.h"
#include "serial/termios_extras_posix.h"

namespace serial {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kReadChunk = 16 * 1024;
// Modem lines are polled (the kernel's wait for them blocks outside poll()).
constexpr auto kModemPollInterval = std::chrono::milliseconds(100);
// A read smaller than this is a trickle: the next one waits kGatherTime so
// that a meter streaming at 115200 baud costs about fifty wake-ups of each
// thread a second, not one per burst the driver hands over. Bytes are delayed
// by at most that long, less than a screen refresh or two; a flood (large
// reads) is read back to back.
constexpr std::size_t kGatherBelow = 1024;
constexpr auto kGatherTime = std::chrono::milliseconds(20);
// While the device is away: a look for it at this pace besides the change
// notifications (which a pseudo-terminal's folder may never send), and no
// look right after a loss that follows a return this closely, so that a
// device which hangs up as soon as it is opened cannot keep the thread busy.
constexpr auto kReconnectPoll = std::chrono::milliseconds(1000);
constexpr auto kReconnectSettle = std::chrono::milliseconds(1000);

std::string systemMessage(int error) { return std::system_category().message(error); }

PortError osError(int error) {
    PortErrorKind kind = PortErrorKind::DeviceError;
    if (error == ENOENT || error == ENODEV || error == ENXIO) kind = PortErrorKind::NotFound;
    if (error == EACCES || error == EPERM) kind = PortErrorKind::AccessDenied;
    if (error == EBUSY) kind = PortErrorKind::Busy;
    return {kind, systemMessage(error)};
}

bool ignorableIoctlError(int error) { return error == ENOTTY || error == EINVAL; }

// Why a name cannot be a serial port ("" when it may be one): a link left
// pointing at a regular file or a folder must fail clearly, not as a
// puzzling ioctl error, and must not be watched for ever.
std::string notATerminal(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISCHR(info.st_mode)) return {};
    if (S_ISREG(info.st_mode)) return path + " is a regular file, not a serial device";
    if (S_ISDIR(info.st_mode)) return path + " is a folder, not a serial device";
    return path + " is not a serial device";
}

// The port-number name of a link in the working directory ("COM3"): a user's
// pin to one adapter, which a returning device is looked for under alone.
bool isWorkingDirectoryLink(const std::string& name) { return name.find('/') == std::string::npos; }

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, std::max<std::size_t>(slash, 1));
}

// A command just sent should reach the line before the port closes, but a
// port held off by flow control must not keep close() waiting for the
// kernel's closing time (30 s): drain for at most the time-out, then drop
// what is left.
void drainThenDropOutput(int fd, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    int queued = 0;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (queued != 0 || ::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued != 0) ::tcflush(fd, TCOFLUSH);
}

// Other threads knock on the reader's wait through this pipe. Requests
// themselves live in shared state; the pipe only wakes the reader.
class WakePipe {
public:
    ~WakePipe() { close(); }
    int open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return errno;
        m_read = fds[0];
        m_write = fds[1];
        return 0;
    }
    void close() {
        for (int* fd : {&m_read, &m_write})
            if (*fd >= 0) ::close(std::exchange(*fd, -1));
    }
    void signal() const {
        const char knock = 1;
        // A full pipe already holds a knock: nothing is lost.
        [[maybe_unused]] ssize_t n = ::write(m_write, &knock, 1);
    }
    void drain() const {
        char sink[64];
        while (::read(m_read, sink, sizeof sink) > 0) {
        }
    }
    int readFd() const { return m_read; }

private:
    int m_read = -1;
    int m_write = -1;
};

int millisecondsUntil(Clock::time_point when) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

// A write may take Timeout ms per byte plus Timeout ms; 0 means no limit.
Clock::time_point writeDeadline(int timeoutMs, std::size_t bytes) {
    constexpr long long kOneDayMs = 24LL * 3600 * 1000;
    if (timeoutMs <= 0) return Clock::time_point::max();
    const long long perByte = timeoutMs;
    const long long count = static_cast<long long>(std::min<std::size_t>(bytes, kOneDayMs)) + 1;
    return Clock::now() + std::chrono::milliseconds(std::min(perByte * count, kOneDayMs * 365));
}

}  // namespace

struct PortChannel::Engine {
    Engine(PendingCallback callback, std::size_t limit) : queue(limit), onPending(std::move(callback)) {}

    NotificationQueue queue;
    PendingCallback onPending;
    PortError lastError;
    // The reader renames the device when it reopens a returning one.
    mutable std::mutex deviceMutex;
    std::string device;
    PortSettings settings;   // what a returning device is configured with
    std::string openedName;  // the name Open found for the port number
    ReconnectionLog reconnection;

    // Set up by the owner thread while no reader runs; used by the reader
    // while it runs.
    int fd = -1;
    bool exclusive = false;
    WakePipe wake;
    std::thread reader;
    ParityMarkDecoder decoder;
    bool marksInBand = false;
    int timeoutMs = 0;
    bool watchCounters = false;
    bool watchLines = false;
    LineSnapshot lines;
    Clock::time_point nextModemPoll;
    // Reader only: the device went away and is waited for.
    bool lostNow = false;
    bool abandoned = false;
    DeviceWatch watch;
    Clock::time_point nextReconnectLook;
    Clock::time_point lastReturn;

    // Shared between the owner thread and the reader, under `mutex`.
    std::mutex mutex;
    std::condition_variable writeDoneSignal;
    bool stopRequested = false;
    bool writeRequested = false;
    bool writeDone = false;
    bool writeResult = false;
    std::string writeBuffer;
    std::atomic<bool> gone{false};

    void setDevice(const std::string& name) {
        std::lock_guard lock(deviceMutex);
        device = name;
    }
    std::string currentDevice() const {
        std::lock_guard lock(deviceMutex);
        return device;
    }

    // Open steps; connect() runs them for Open and for a returning device.
    PortError connect(const std::string& path);
    PortError openDevice(const std::string& path);
    PortError configure(const PortSettings& settings);
    PortError setModemLines(const posix::ModemLinePlan& plan);
    void startLineWatch();
    PortError startReader();
    void closeDevice(bool drainOutput);
    void stopReader();

    // Reader thread.
    void run();
    int waitTimeout(bool gathering, bool full, Clock::time_point gatherUntil) const;
    void loseDevice();
    void lookForDevice(bool somethingChanged);
    std::string returningDeviceName() const;
    std::vector<std::string> foldersToWatch() const;
    std::size_t readAvailable(short revents);
    void readWhatHasArrived();
    void checkLines();
    LineSnapshot takeLineSnapshot();
    bool performWrite();
    bool waitWritable(Clock::time_point deadline);
    void post(const std::vector<Notification>& items);
    void markGone() { lostNow = true; }
};

// --- opening -----------------------------------------------------------------

PortError PortChannel::Engine::connect(const std::string& path) {
    setDevice(path);
    if (std::string why = notATerminal(path); !why.empty()) return {PortErrorKind::NotATerminal, why};
    if (PortError error = openDevice(path)) return error;
    if (PortError error = configure(settings)) return error;
    if (PortError error = setModemLines(posix::modemLinePlan(settings))) return error;
    // Both directions start empty, and so does the mark decoder. The reader
    // does not purge again when it starts: bytes sent right after Open
    // returned would be lost at random.
    ::tcflush(fd, TCIOFLUSH);
    decoder.reset();
    startLineWatch();
    return {};
}

PortError PortChannel::Engine::openDevice(const std::string& path) {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return osError(errno);
    // TIOCEXCL keeps other users out, but root passes it; the lock stops a
    // second copy of this program whoever runs it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return osError(errno == EWOULDBLOCK ? EBUSY : errno);
    if (::ioctl(fd, TIOCEXCL) != 0) return osError(errno);
    exclusive = true;
    return {};
}

PortError PortChannel::Engine::configure(const PortSettings& s) {
    termios current{};
    if (::tcgetattr(fd, &current) != 0) return osError(errno);
    termios wanted = current;
    const posix::AttributePlan plan = posix::applySettings(wanted, s);
    if (!plan.refusal.empty()) return {PortErrorKind::SettingsRefused, plan.refusal};
    // glibc fails the call with EINVAL when the kernel rewrote the parity or
    // data size, as every pseudo-terminal does, after the rest took effect.
    // The read-back below judges the result either way.
    if (::tcsetattr(fd, TCSANOW, &wanted) != 0 && errno != EINVAL)
        return {PortErrorKind::SettingsRefused, systemMessage(errno)};
    if (plan.customBaud) {
        if (int error = posix::setCustomBaud(fd, s.baudRate); error != 0)
            return {PortErrorKind::SettingsRefused, std::to_string(s.baudRate) + " baud: " + systemMessage(error)};
    }
    // tcsetattr succeeds when any part took effect: read everything back.
    termios got{};
    if (::tcgetattr(fd, &got) != 0) return osError(errno);
    const std::string name = currentDevice();
    char* real = ::realpath(name.c_str(), nullptr);
    const bool pty = posix::isPseudoTerminal(fd, real != nullptr ? real : name);
    std::free(real);
    std::string mismatch = posix::settingsMismatch(wanted, got, pty, !plan.customBaud);
    if (plan.customBaud) {
        // Drivers set the nearest rate their divisor allows; a UART copes with 3 %.
        const int actual = posix::readBaud(fd);
        if (std::abs(actual - s.baudRate) > s.baudRate / 33) mismatch += (mismatch.empty() ? "" : ", ") + std::string("baud rate");
    }
    if (!mismatch.empty()) return {PortErrorKind::SettingsRefused, "the driver did not accept the " + mismatch};
    return {};
}

PortError PortChannel::Engine::setModemLines(const posix::ModemLinePlan& plan) {
    auto set = [this](posix::LineLevel level, int bit) -> int {
        if (level == posix::LineLevel::Leave) return 0;
        if (::ioctl(fd, level == posix::LineLevel::On ? TIOCMBIS : TIOCMBIC, &bit) == 0) return 0;
        // Pseudo-terminals have no modem lines.
        return ignorableIoctlError(errno) ? 0 : errno;
    };
    for (int error : {set(plan.rts, TIOCM_RTS), set(plan.dtr, TIOCM_DTR)})
        if (error != 0) return osError(error);
    return {};
}

void PortChannel::Engine::startLineWatch() {
    LineCounters counters;
    watchCounters = posix::readLineCounters(fd, counters) == 0;
    int status = 0;
    watchLines = ::ioctl(fd, TIOCMGET, &status) == 0;
    lines = {};
    if (watchCounters) lines.counters = counters;
    if (watchLines) lines.lines = ModemLines{(status & TIOCM_CTS) != 0, (status & TIOCM_DSR) != 0,
                                             (status & TIOCM_RI) != 0, (status & TIOCM_CD) != 0};
    nextModemPoll = Clock::now() + kModemPollInterval;
}

PortError PortChannel::Engine::startReader() {
    if (int error = wake.open(); error != 0) return osError(error);
    stopRequested = false;
    writeRequested = false;
    gone.store(false);
    try {
        reader = std::thread([this] { run(); });
    } catch (const std::system_error& e) {
        return {PortErrorKind::DeviceError, e.what()};
    }
    return {};
}

void PortChannel::Engine::stopReader() {
    if (!reader.joinable()) return;
    {
        std::lock_guard lock(mutex);
        stopRequested = true;
    }
    wake.signal();
    reader.join();
    wake.close();
}

void PortChannel::Engine::closeDevice(bool drainOutput) {
    if (fd < 0) return;
    if (drainOutput) {
        drainThenDropOutput(fd, timeoutMs);
    } else {
        // Output held back by flow control would make close() wait for the
        // kernel's closing time-out (30 s); drop it instead.
        ::tcflush(fd, TCOFLUSH);
    }
    // Only the holder clears exclusivity: a refused second open must not
    // lift it from the program that has the port.
    if (exclusive) ::ioctl(fd, TIOCNXCL);
    exclusive = false;
    ::close(fd);  // also releases the lock
    fd = -1;
}

// --- reader thread -----------------------------------------------------------

void PortChannel::Engine::run() {
    Clock::time_point gatherUntil;
    for (;;) {
        // A full queue, or a device that is away, is left out of the wait:
        // the thread then sleeps until the GUI thread drains the queue, a
        // request comes or (away) a device may have appeared. After a small
        // read the device is also left out for a moment, so a trickle of
        // bytes is gathered into fewer wake-ups.
        const bool away = fd < 0;
        const bool gathering = !away && Clock::now() < gatherUntil;
        const bool full = queue.isFull();
        const bool watchDevice = !away && !full && !gathering;
        pollfd fds[2] = {{wake.readFd(), POLLIN, 0}, {away ? watch.fd() : fd, POLLIN, 0}};
        const nfds_t count = (watchDevice || (away && watch.fd() >= 0)) ? 2 : 1;
        const int ready = ::poll(fds, count, waitTimeout(gathering, full, gatherUntil));
        if (ready < 0 && errno != EINTR && !away) markGone();
        if (fds[0].revents != 0) wake.drain();

        bool write = false;
        {
            std::lock_guard lock(mutex);
            if (stopRequested) return;
            write = std::exchange(writeRequested, false);
        }
        // A stop comes before received data, received data before a write.
        if (away) {
            const bool changed = count == 2 && fds[1].revents != 0;
            if (changed) watch.drain();
            lookForDevice(changed);
        } else {
            checkLines();
            if (watchDevice && fds[1].revents != 0 && !lostNow) {
                const std::size_t got = readAvailable(fds[1].revents);
                if (got > 0 && got < kGatherBelow) gatherUntil = Clock::now() + kGatherTime;
            }
        }
        if (lostNow) loseDevice();
        if (write) {
            const bool ok = performWrite();
            if (lostNow) loseDevice();
            std::lock_guard lock(mutex);
            writeResult = ok;
            writeDone = true;
            writeDoneSignal.notify_all();
        }
    }
}

int PortChannel::Engine::waitTimeout(bool gathering, bool full, Clock::time_point gatherUntil) const {
    if (fd < 0) return abandoned ? -1 : millisecondsUntil(nextReconnectLook);
    int timeout = watchLines ? millisecondsUntil(nextModemPoll) : -1;
    if (gathering && !full) {
        const int gather = millisecondsUntil(gatherUntil);
        timeout = timeout < 0 ? gather : std::min(timeout, gather);
    }
    return timeout;
}

// --- the device going away and coming back ------------------------------------

void PortChannel::Engine::loseDevice() {
    lostNow = false;
    closeDevice(false);
    gone.store(true);
    reconnection.lost();
    watch.arm(foldersToWatch());
    // The device may already be back (or may never have gone, for a name
    // that hangs up whenever it is opened): look at once, unless it just came
    // back, and then at the polling pace.
    const Clock::time_point now = Clock::now();
    nextReconnectLook = now - lastReturn < kReconnectSettle ? now + kReconnectPoll : now;
}

std::vector<std::string> PortChannel::Engine::foldersToWatch() const {
    // Where a returning device's name can appear: the working directory (a
    // COMn link put back), the device folders, the stable adapter names, and
    // the folder of the device itself (pseudo-terminals live in /dev/pts).
    std::vector<std::string> folders = {".", "/dev", "/dev/serial", "/dev/serial/by-id"};
    const std::string name = currentDevice();
    folders.push_back(folderOf(name));
    if (char* real = ::realpath(name.c_str(), nullptr)) {
        folders.push_back(folderOf(real));
        std::free(real);
    }
    return folders;
}

std::string PortChannel::Engine::returningDeviceName() const {
    // A COMn link pins the port to what it names (a /dev/serial/by-id path
    // keeps following one adapter whatever number the kernel gives it): the
    // device is back when the link leads somewhere again, and no other device
    // stands in for it meanwhile. Otherwise the port-number rules decide.
    if (isWorkingDirectoryLink(openedName)) {
        struct stat info {};
        return ::stat(openedName.c_str(), &info) == 0 ? openedName : std::string{};
    }
    return resolveDevice(settings.portNumber);
}

void PortChannel::Engine::lookForDevice(bool somethingChanged) {
    if (abandoned || (!somethingChanged && Clock::now() < nextReconnectLook)) return;
    nextReconnectLook = Clock::now() + kReconnectPoll;
    const std::string name = returningDeviceName();
    if (name.empty()) return;
    if (std::string why = notATerminal(name); !why.empty()) {
        abandoned = true;
        watch.disarm();
        reconnection.abandon(why);
        return;
    }
    if (connect(name)) {
        closeDevice(false);  // not back yet (or not ready): wait for the next change
        return;
    }
    watch.disarm();
    lastReturn = Clock::now();
    gone.store(false);
    reconnection.back();
}

// --- reading -----------------------------------------------------------------

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
    if (hungUp || error == EIO || ::tcgetattr(fd, &probe) != 0) markGone();
    return 0;
}

LineSnapshot PortChannel::Engine::takeLineSnapshot() {
    LineSnapshot now;
    if (watchCounters) {
        LineCounters counters;
        const int error = posix::readLineCounters(fd, counters);
        if (error == EIO) markGone();
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
        now.lines = ModemLines{(status & TIOCM_CTS) != 0, (status & TIOCM_DSR) != 0, (status & TIOCM_RI) != 0,
                               (status & TIOCM_CD) != 0};
    } else if (errno == EIO) {
        markGone();
    }
    nextModemPoll = Clock::now() + kModemPollInterval;
    return now;
}

void PortChannel::Engine::checkLines() {
    if (!watchCounters && !watchLines) return;
    LineSnapshot now = takeLineSnapshot();
    if (lostNow) return;
    std::vector<Notification> items;
    lineChanges(lines, now, marksInBand, items);
    lines = std::move(now);
    post(items);
}

void PortChannel::Engine::post(const std::vector<Notification>& items) {
    if (queue.append(items) && onPending) onPending();
}

void PortChannel::Engine::readWhatHasArrived() {
    while (!lostNow && !queue.isFull() && readAvailable(0) == kReadChunk) {
    }
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
    if (lostNow) return false;
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
            if (errno == EIO) markGone();
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
            markGone();
            return false;
        }
        if ((fds[0].revents & POLLOUT) != 0) return true;
    }
}

// --- the channel -------------------------------------------------------------

PortChannel::PortChannel(PendingCallback onPending, std::size_t queueLimit)
    : m_engine(std::make_unique<Engine>(std::move(onPending), queueLimit)) {}

PortChannel::~PortChannel() { close(); }

bool PortChannel::open(const PortSettings& settings) {
    close();
    Engine& e = *m_engine;
    e.lastError = {};
    auto fail = [&e](PortError error) {
        e.closeDevice(false);
        e.setDevice({});
        e.lastError = std::move(error);
        return false;
    };
    if (settings.portNumber < 1) return fail({PortErrorKind::NoPortNumber, "no port number selected"});
    e.openedName = resolveDevice(settings.portNumber);
    if (e.openedName.empty()) return fail(osError(ENOENT));

    e.settings = settings;
    e.timeoutMs = settings.timeoutMs;
    e.marksInBand = settings.parityChecking();
    e.decoder = ParityMarkDecoder(e.marksInBand, settings.eventCharacter());
    if (PortError error = e.connect(e.openedName)) return fail(std::move(error));
    e.reconnection.reset();
    e.lostNow = false;
    e.abandoned = false;
    e.lastReturn = {};
    if (PortError error = e.startReader()) return fail(std::move(error));
    return true;
}

void PortChannel::close() {
    Engine& e = *m_engine;
    e.stopReader();
    e.watch.disarm();
    e.closeDevice(true);
    e.setDevice({});
    e.gone.store(false);
    e.queue.clear();
}

bool PortChannel::isOpen() const { return m_engine->reader.joinable(); }

bool PortChannel::send(std::string_view bytes) {
    Engine& e = *m_engine;
    if (!e.reader.joinable()) return false;
    if (bytes.empty()) return true;
    std::unique_lock lock(e.mutex);
    e.writeBuffer.assign(bytes);
    e.writeDone = false;
    e.writeRequested = true;
    lock.unlock();
    e.wake.signal();
    lock.lock();
    e.writeDoneSignal.wait(lock, [&e] { return e.writeDone; });
    e.writeBuffer.clear();
    return e.writeResult;
}

std::vector<Notification> PortChannel::takeNotifications() {
    bool wasFull = false;
    std::vector<Notification> items = m_engine->queue.takeAll(&wasFull);
    // The reader stopped taking bytes when the queue filled up: tell it
    // there is room again.
    if (wasFull && m_engine->reader.joinable()) m_engine->wake.signal();
    return items;
}

const PortError& PortChannel::lastError() const { return m_engine->lastError; }
std::string PortChannel::device() const { return isOpen() ? m_engine->currentDevice() : std::string{}; }
ReconnectionState PortChannel::reconnection() const { return m_engine->reconnection.snapshot(); }

std::optional<std::chrono::nanoseconds> PortChannel::readerCpuTime() const {
    std::thread& reader = m_engine->reader;
    clockid_t clock{};
    timespec used{};
    if (!reader.joinable() || ::pthread_getcpuclockid(reader.native_handle(), &clock) != 0 ||
        ::clock_gettime(clock, &used) != 0) {
        return std::nullopt;
    }
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}
bool PortChannel::deviceGone() const { return m_engine->gone.load(); }
const NotificationQueue& PortChannel::queue() const { return m_engine->queue; }

}  // namespace serial
