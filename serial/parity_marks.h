#pragma once
// Turns the bytes read from a POSIX terminal into notifications.
//
// With parity checking on, the terminal is set to INPCK|PARMRK and marks
// trouble in the data itself:
//   FF FF     one data byte 0xFF (a genuine 0xFF is doubled)
//   FF 00 x   byte x arrived with a parity or framing error: a line-error
//             notification, then x is delivered
//   FF 00 00  a break on the line (indistinguishable from a NUL with a
//             parity error; the kernel documents it as a break)
// A mark may be split across two reads, so the decoder keeps its state
// between chunks; a purge of the input resets it.
//
// When an event character is set, its arrival is notified right before the
// byte itself.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "serial/notification.h"

namespace serial {

class ParityMarkDecoder {
public:
    ParityMarkDecoder() = default;
    ParityMarkDecoder(bool marksInBand, std::optional<std::uint8_t> eventChar)
        : m_marks(marksInBand), m_eventChar(eventChar) {}

    void decode(std::span<const std::uint8_t> bytes, std::vector<Notification>& out);
    void reset() { m_state = State::Plain; }

private:
    enum class State { Plain, AfterFF, AfterFF00 };
    void deliver(std::uint8_t byte, std::vector<Notification>& out) const;

    bool m_marks = false;
    std::optional<std::uint8_t> m_eventChar;
    State m_state = State::Plain;
};

}  // namespace serial
