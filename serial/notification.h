#pragma once
// What the reader thread hands to the GUI thread: a notification code and a
// value, one per received byte and one per line or status change.
#include <cstdint>
#include <optional>

namespace serial {

enum NotificationCode : std::uint16_t {
    kBreakDetected = 0x402,
    kCtsOn = 0x403,
    kDsrOn = 0x404,
    kLineError = 0x405,  // overrun, parity or framing error
    kRingIndicator = 0x406,
    kCarrierOn = 0x407,
    kByteReceived = 0x408,  // value: the byte
    kEventCharReceived = 0x409,
    kCtsOff = 0x40A,
    kDsrOff = 0x40B,
    kCarrierOff = 0x40C,
};

struct Notification {
    std::uint16_t code = 0;
    std::uint16_t value = 0;
    bool operator==(const Notification&) const = default;
};

inline Notification byteNotification(std::uint8_t byte) { return {kByteReceived, byte}; }
inline Notification statusNotification(NotificationCode code) { return {code, 0}; }

// The unit events: 0 CommEvent (argument: code 1..10), 1 DataArrived (the byte).
constexpr int kCommEvent = 0;
constexpr int kDataArrived = 1;

struct UnitEvent {
    int index = 0;
    std::int32_t argument = 0;
    bool operator==(const UnitEvent&) const = default;
};

// The event a notification raises; codes outside 0x402..0x40C raise none.
std::optional<UnitEvent> eventFor(Notification notification);

}  // namespace serial
