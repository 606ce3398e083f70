// Opening, configuring and closing the device: for Open, and for a device
// that returns while the port is open.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "serial/port_engine_posix.h"
#include "serial/termios_extras_posix.h"

namespace serial {
namespace {


bool ignorableIoctlError(int error) { return error == ENOTTY || error == EINVAL; }

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

}  // namespace

PortError osError(int error) {
    PortErrorKind kind = PortErrorKind::DeviceError;
    if (error == ENOENT || error == ENODEV || error == ENXIO) kind = PortErrorKind::NotFound;
    if (error == EACCES || error == EPERM) kind = PortErrorKind::AccessDenied;
    if (error == EBUSY) kind = PortErrorKind::Busy;
    return {kind, systemMessage(error)};
}

int millisecondsUntil(Clock::time_point when) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

PortError PortChannel::Engine::connect(const std::string& path, std::uint64_t expected) {
    if (PortError error = openDevice(path)) return error;
    // The name may have been given to another device since it was judged.
    struct stat info {};
    if (expected != 0 && (::fstat(fd, &info) != 0 || static_cast<std::uint64_t>(info.st_rdev) != expected))
        return {PortErrorKind::NotFound, path + " changed while it was opened"};
    if (PortError error = configure(path)) return error;
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

PortError PortChannel::Engine::configure(const std::string& path) {
    const PortSettings& s = settings;
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
    char* real = ::realpath(path.c_str(), nullptr);
    const bool pty = posix::isPseudoTerminal(fd, real != nullptr ? real : path);
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

PortError PortChannel::Engine::startReader() {
    if (int error = wake.open(); error != 0) return osError(error);
    stopRequested = false;
    writeRequested = false;
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

}  // namespace serial
