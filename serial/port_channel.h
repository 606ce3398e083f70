#pragma once
// The serial engine behind the SerialPort unit: one open port, one reader
// thread, one notification queue. Free of Qt (the Win32 build compiles it
// without Qt); the unit adapts it to the GUI thread.
//
// Threads: every member function is called from one owner thread (the GUI
// thread). The reader thread waits on the device and on a wake-up for stop,
// write and room-in-the-queue requests in one wait, reads what the device
// has, and appends one notification per received byte (and per line or
// status change) to the queue, in order. The `onPending` callback runs on the
// reader thread whenever the queue goes from empty to non-empty; it must be
// quick and thread-safe (the unit posts an event to itself).
#include <chrono>
#include <cstddef>
#include <optional>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "serial/notification.h"
#include "serial/notification_queue.h"
#include "serial/port_error.h"
#include "serial/port_hints.h"
#include "serial/port_settings.h"
#include "serial/reconnection.h"

namespace serial {

class PortChannel {
public:
    using PendingCallback = std::function<void()>;

    // `tree`: where device names and their adapters are looked up (tests
    // point it at a made-up /sys and /dev).
    explicit PortChannel(PendingCallback onPending, std::size_t queueLimit = NotificationQueue::kDefaultLimit,
                         DeviceTree tree = {});
    ~PortChannel();  // closes
    PortChannel(const PortChannel&) = delete;
    PortChannel& operator=(const PortChannel&) = delete;

    // Closes first, then opens and configures the port and starts the reader
    // thread. False (with lastError() telling why) if any step fails; the
    // port is then closed.
    bool open(const PortSettings& settings);
    // Stops the reader thread, closes the port and drops undelivered
    // notifications. Harmless when closed.
    void close();
    bool isOpen() const;

    // Discards received bytes not yet read, then writes every byte. Output
    // of earlier sends still on its way is not discarded: those were
    // reported written. Blocks until the reader thread has done so. False
    // when closed, while the device is away, or when the write failed or was
    // cut short; true for an empty write on an open port.
    bool send(std::string_view bytes);

    // Everything the reader thread has queued, in order.
    std::vector<Notification> takeNotifications();

    const PortError& lastError() const;
    // The name the device that is open was opened under ("" when closed):
    // the COMn link or /dev/ttyUSB1 it was found as. While the device is
    // away, the one that went.
    std::string device() const;
    // True while the device is away (hang-up, adapter pulled). The port
    // stays open: the reader has closed the dead device and reopens it with
    // the same settings when it returns, and only then; writes fail
    // meanwhile. Another device that turns up is left alone
    // (reconnection_policy.h).
    bool deviceGone() const;
    // Losses and returns since the last Open, for diagnostics.
    ReconnectionState reconnection() const;
    // CPU time the reader thread has used, where the system tells it.
    std::optional<std::chrono::nanoseconds> readerCpuTime() const;
    const NotificationQueue& queue() const;

    struct Engine;  // one per platform (port_channel_posix.cpp, port_channel_win32.cpp)

private:
    std::unique_ptr<Engine> m_engine;
};

}  // namespace serial
