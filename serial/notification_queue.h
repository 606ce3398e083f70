#pragma once
// The hand-over between the reader thread and the GUI thread. The reader
// appends under the lock; the GUI thread takes everything at once and raises
// the events with the lock released, so the reader never waits on a handler.
//
// The queue is bounded: past `limit` undelivered notifications it reports
// itself full and the reader stops taking bytes off the device until the GUI
// thread has drained it. Bytes are delayed (the device and the far end hold
// them), never dropped, and memory stays bounded when the GUI thread falls
// behind a flood.
#include <cstddef>
#include <mutex>
#include <span>
#include <vector>

#include "serial/notification.h"

namespace serial {

class NotificationQueue {
public:
    // About a million notifications, 4 MiB: many seconds of the fastest line.
    static constexpr std::size_t kDefaultLimit = std::size_t{1} << 20;

    explicit NotificationQueue(std::size_t limit = kDefaultLimit) : m_limit(limit) {}

    // Appends in order. True when the queue was empty before: the GUI thread
    // must then be told (later appends ride on that one nudge).
    bool append(std::span<const Notification> items);
    bool append(Notification item) { return append(std::span<const Notification>(&item, 1)); }

    bool isFull() const;
    // Takes every pending notification. `wasFull` tells whether the reader
    // may be waiting for room.
    std::vector<Notification> takeAll(bool* wasFull = nullptr);
    void clear();

    std::size_t size() const;
    std::size_t limit() const { return m_limit; }
    // Largest size ever reached (diagnostics and tests of the bound).
    std::size_t highWaterMark() const;

private:
    mutable std::mutex m_mutex;
    std::vector<Notification> m_items;
    std::size_t m_limit;
    std::size_t m_highWater = 0;
};

}  // namespace serial
