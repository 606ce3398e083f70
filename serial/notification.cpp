#include "serial/notification.h"

namespace serial {

std::optional<UnitEvent> eventFor(Notification n) {
    switch (n.code) {
        case kByteReceived: return UnitEvent{kDataArrived, n.value & 0xFF};
        case kBreakDetected: return UnitEvent{kCommEvent, 1};
        case kCtsOn: return UnitEvent{kCommEvent, 2};
        case kDsrOn: return UnitEvent{kCommEvent, 3};
        case kLineError: return UnitEvent{kCommEvent, 4};
        case kRingIndicator: return UnitEvent{kCommEvent, 5};
        case kCarrierOn: return UnitEvent{kCommEvent, 6};
        case kEventCharReceived: return UnitEvent{kCommEvent, 7};
        case kCtsOff: return UnitEvent{kCommEvent, 8};
        case kDsrOff: return UnitEvent{kCommEvent, 9};
        case kCarrierOff: return UnitEvent{kCommEvent, 10};
        default: return std::nullopt;
    }
}

}  // namespace serial
