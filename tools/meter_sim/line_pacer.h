#pragma once
// Timing and damage of the simulated line, as pure functions of time so that
// they are tested without a clock.
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <string_view>

namespace meter_sim {

// Releases queued bytes no faster than the line carries them: one character
// (start bit, 8 data bits, parity, stop bit) every bitsPerChar / baud s.
class LinePacer {
public:
    explicit LinePacer(int baud, int bitsPerChar = 11)
        : m_charSeconds(static_cast<double>(bitsPerChar) / baud) {}

    // Queues bytes. An idle line starts them no earlier than `earliest`; a
    // line still busy, or only just finished, keeps its own rhythm (back to
    // back frames follow each other without a gap even when the caller
    // comes late).
    void enqueue(std::string_view bytes, double earliest);
    // The bytes whose transmission has begun by `now`.
    std::string release(double now);
    // When the next queued byte is due (infinity when nothing is queued).
    double nextReleaseAt() const;
    std::size_t backlog() const { return m_pending.size() - m_head; }
    double charSeconds() const { return m_charSeconds; }

private:
    double m_charSeconds;
    double m_nextByteAt = 0;
    std::string m_pending;
    std::size_t m_head = 0;
};

// When the next frame is due: `fps` per second, or (fps 0) whenever the line
// has gone idle.
class FrameClock {
public:
    explicit FrameClock(double fps) : m_period(fps > 0 ? 1.0 / fps : 0) {}
    bool due(double now, std::size_t lineBacklog);
    double nextAt() const {
        return m_period > 0 ? m_next : std::numeric_limits<double>::infinity();
    }

private:
    double m_period;
    double m_next = 0;
};

// Spots the two-byte mode command "XT" in what the console sends.
class CommandWatch {
public:
    bool feed(std::uint8_t byte) {
        const bool complete = m_sawX && byte == 'T';
        m_sawX = byte == 'X';
        return complete;
    }

private:
    bool m_sawX = false;
};

// Line damage: a burst of 1..8 garbage bytes before a frame with chance
// `noise`, each byte lost with chance `drop`.
std::string damage(std::string_view frame, double noise, double drop, std::mt19937& random);

}  // namespace meter_sim
