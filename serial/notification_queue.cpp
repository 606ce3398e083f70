#include "serial/notification_queue.h"

#include <algorithm>

namespace serial {

bool NotificationQueue::append(std::span<const Notification> items) {
    if (items.empty()) return false;
    std::lock_guard lock(m_mutex);
    const bool wasEmpty = m_items.empty();
    m_items.insert(m_items.end(), items.begin(), items.end());
    m_highWater = std::max(m_highWater, m_items.size());
    return wasEmpty;
}

bool NotificationQueue::isFull() const {
    std::lock_guard lock(m_mutex);
    return m_items.size() >= m_limit;
}

std::vector<Notification> NotificationQueue::takeAll(bool* wasFull) {
    std::vector<Notification> taken;
    std::lock_guard lock(m_mutex);
    if (wasFull != nullptr) *wasFull = m_items.size() >= m_limit;
    taken.swap(m_items);
    return taken;
}

void NotificationQueue::clear() {
    std::lock_guard lock(m_mutex);
    m_items.clear();
    m_items.shrink_to_fit();
}

std::size_t NotificationQueue::size() const {
    std::lock_guard lock(m_mutex);
    return m_items.size();
}

std::size_t NotificationQueue::highWaterMark() const {
    std::lock_guard lock(m_mutex);
    return m_highWater;
}

}  // namespace serial
