#include "serial/reconnection.h"

#include <utility>

namespace serial {

void ReconnectionLog::reset() {
    std::lock_guard lock(m_mutex);
    m_state = {};
}

void ReconnectionLog::lost() {
    std::lock_guard lock(m_mutex);
    ++m_state.losses;
    m_state.lostAt = std::chrono::system_clock::now();
    m_state.waiting = true;
}

void ReconnectionLog::back() {
    std::lock_guard lock(m_mutex);
    ++m_state.returns;
    m_state.backAt = std::chrono::system_clock::now();
    m_state.waiting = false;
    m_state.refused.clear();
}

void ReconnectionLog::refuse(std::string reason) {
    std::lock_guard lock(m_mutex);
    m_state.refused = std::move(reason);
}

void ReconnectionLog::abandon(std::string reason) {
    std::lock_guard lock(m_mutex);
    m_state.waiting = false;
    m_state.refused.clear();
    m_state.abandoned = std::move(reason);
}

ReconnectionState ReconnectionLog::snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

}  // namespace serial
