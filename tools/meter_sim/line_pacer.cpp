#include "tools/meter_sim/line_pacer.h"

#include <algorithm>
#include <cmath>

namespace meter_sim {

void LinePacer::enqueue(std::string_view bytes, double earliest) {
    if (backlog() == 0) {
        m_pending.clear();
        m_head = 0;
        m_nextByteAt = std::max(m_nextByteAt, earliest);
    }
    m_pending.append(bytes);
}

std::string LinePacer::release(double now) {
    if (backlog() == 0 || now < m_nextByteAt) return {};
    const auto started = static_cast<std::size_t>(std::floor((now - m_nextByteAt) / m_charSeconds)) + 1;
    const std::size_t count = std::min(started, backlog());
    std::string out = m_pending.substr(m_head, count);
    m_head += count;
    m_nextByteAt += static_cast<double>(count) * m_charSeconds;
    return out;
}

double LinePacer::nextReleaseAt() const {
    return backlog() == 0 ? std::numeric_limits<double>::infinity() : m_nextByteAt;
}

bool FrameClock::due(double now, std::size_t lineBacklog) {
    if (m_period <= 0) return lineBacklog == 0;
    if (now < m_next) return false;
    // A meter cannot send faster than its line: when frames pile up, the
    // late ones are skipped rather than queued without end.
    m_next = now - m_next > m_period ? now + m_period : m_next + m_period;
    return lineBacklog < 64;
}

std::string damage(std::string_view frame, double noise, double drop, std::mt19937& random) {
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::string out;
    if (noise > 0 && chance(random) < noise) {
        const int count = std::uniform_int_distribution<int>(1, 8)(random);
        for (int i = 0; i < count; ++i) out.push_back(static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random)));
    }
    for (char c : frame)
        if (drop <= 0 || chance(random) >= drop) out.push_back(c);
    return out;
}

}  // namespace meter_sim
