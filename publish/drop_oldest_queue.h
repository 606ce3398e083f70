#pragma once
// A bounded queue that makes room for the newest message by dropping the
// oldest, and counts what it dropped. Not thread-safe: its owner locks.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>

namespace publish {

template <typename T>
class DropOldestQueue {
public:
    explicit DropOldestQueue(std::size_t capacity) : m_capacity(capacity == 0 ? 1 : capacity) {}

    void push(T item) {
        if (m_items.size() == m_capacity) {
            m_items.pop_front();
            ++m_dropped;
        }
        m_items.push_back(std::move(item));
    }
    // Back to the front, as the oldest, after a hand-over failed.
    void pushFront(T item) {
        if (m_items.size() == m_capacity) {
            ++m_dropped;  // it is older than everything queued
            return;
        }
        m_items.push_front(std::move(item));
    }
    std::optional<T> pop() {
        if (m_items.empty()) return std::nullopt;
        T item = std::move(m_items.front());
        m_items.pop_front();
        return item;
    }
    std::size_t size() const { return m_items.size(); }
    std::uint64_t dropped() const { return m_dropped; }

private:
    std::size_t m_capacity;
    std::deque<T> m_items;
    std::uint64_t m_dropped = 0;
};

}  // namespace publish
