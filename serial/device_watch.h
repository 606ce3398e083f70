#pragma once
// Tells the reader thread that a device may have appeared, without spending
// CPU while nothing happens: on Linux inotify on the folders a device name can
// appear in (creation, a link renamed into place, a permission change that
// udev makes right after creation). Elsewhere there is no descriptor and the
// reader falls back to a modest poll.
#include <string>
#include <vector>

namespace serial {

class DeviceWatch {
public:
    DeviceWatch() = default;
    ~DeviceWatch() { disarm(); }
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // Watches the folders that exist among `folders`. False when nothing
    // could be watched (the caller then polls).
    bool arm(const std::vector<std::string>& folders);
    void disarm();
    // Readable when something changed in a watched folder; -1 when unarmed.
    int fd() const { return m_fd; }
    // Empties what the descriptor holds, so the next wait sleeps again.
    void drain();

private:
    int m_fd = -1;
};

}  // namespace serial
