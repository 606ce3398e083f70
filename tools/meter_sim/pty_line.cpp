#include "tools/meter_sim/pty_line.h"

#include "tools/meter_sim/sim_texts.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace meter_sim {
namespace {

std::string failure(const std::string& what) { return what + ": " + std::strerror(errno); }

std::string linkTarget(const std::string& link) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string{};
}

}  // namespace

PtyLine::PtyLine(int port) : m_link("COM" + std::to_string(port)) {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        throw std::runtime_error(failure("no pseudo-terminal"));
    m_slave = ::ptsname(m_master);
    // Raw from the start: data sent before the console opens the port must
    // not be echoed back or held for a line end.
    m_keeper = ::open(m_slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios t{};
    if (m_keeper < 0 || ::tcgetattr(m_keeper, &t) != 0) throw std::runtime_error(failure(m_slave));
    ::cfmakeraw(&t);
    ::tcsetattr(m_keeper, TCSANOW, &t);
    // Packet mode tells us when the console purges the line, which it does
    // when it opens the port and before each send.
    int on = 1;
    if (::ioctl(m_master, TIOCPKT, &on) != 0) throw std::runtime_error(failure("packet mode"));
    makeLink();
}

void PtyLine::makeLink() {
    struct stat info {};
    if (::lstat(m_link.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode))
            throw std::runtime_error(
                utf8(MeterSim::tr("%1 exists and is not a link; choose another --port").arg(qs(m_link))));
        struct stat target {};
        if (::stat(m_link.c_str(), &target) == 0)
            throw std::runtime_error(utf8(MeterSim::tr("%1 already links to %2 (another simulator?); choose another --port")
                                              .arg(qs(m_link), qs(linkTarget(m_link)))));
        ::unlink(m_link.c_str());  // left behind by a simulator that was killed
    }
    if (::symlink(m_slave.c_str(), m_link.c_str()) != 0) throw std::runtime_error(failure(m_link));
}

PtyLine::~PtyLine() {
    if (linkTarget(m_link) == m_slave) ::unlink(m_link.c_str());
    if (m_keeper >= 0) ::close(m_keeper);
    if (m_master >= 0) ::close(m_master);
}

MasterPacket readMaster(int master) {
    MasterPacket packet;
    char buffer[4096];
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0) {
        packet.hungUp = n == 0 || (errno != EAGAIN && errno != EINTR);
        return packet;
    }
    if (buffer[0] == TIOCPKT_DATA) {
        packet.data.assign(buffer + 1, static_cast<std::size_t>(n - 1));
    } else {
        packet.flushed = (buffer[0] & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) != 0;
    }
    return packet;
}

}  // namespace meter_sim
