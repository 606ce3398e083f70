#include <sys/inotify.h>
#include <unistd.h>

#include <cstdint>
#include <utility>

#include "serial/device_watch.h"

namespace serial {

bool DeviceWatch::arm(const std::vector<std::string>& folders) {
    disarm();
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) return false;
    constexpr std::uint32_t kEvents = IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_ONLYDIR;
    bool watching = false;
    for (const std::string& folder : folders)
        watching = ::inotify_add_watch(m_fd, folder.c_str(), kEvents) >= 0 || watching;
    if (!watching) disarm();
    return watching;
}

void DeviceWatch::disarm() {
    if (m_fd >= 0) ::close(std::exchange(m_fd, -1));
}

void DeviceWatch::drain() {
    alignas(inotify_event) char sink[4096];
    while (m_fd >= 0 && ::read(m_fd, sink, sizeof sink) > 0) {
    }
}

}  // namespace serial
