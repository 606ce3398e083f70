#include "serial/parity_marks.h"

namespace serial {

void ParityMarkDecoder::deliver(std::uint8_t byte, std::vector<Notification>& out) const {
    if (m_eventChar && *m_eventChar == byte) out.push_back(statusNotification(kEventCharReceived));
    out.push_back(byteNotification(byte));
}

void ParityMarkDecoder::decode(std::span<const std::uint8_t> bytes, std::vector<Notification>& out) {
    for (std::uint8_t b : bytes) {
        switch (m_state) {
            case State::Plain:
                if (m_marks && b == 0xFF) {
                    m_state = State::AfterFF;
                } else {
                    deliver(b, out);
                }
                break;
            case State::AfterFF:
                if (b == 0x00) {
                    m_state = State::AfterFF00;
                    break;
                }
                // FF FF is a data byte 0xFF. The kernel writes nothing else
                // after FF; should it, keep both bytes rather than lose one.
                deliver(0xFF, out);
                m_state = State::Plain;
                if (b != 0xFF) deliver(b, out);
                break;
            case State::AfterFF00:
                if (b == 0x00) {
                    out.push_back(statusNotification(kBreakDetected));
                } else {
                    out.push_back(statusNotification(kLineError));
                    deliver(b, out);
                }
                m_state = State::Plain;
                break;
        }
    }
}

}  // namespace serial
