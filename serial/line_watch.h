#pragma once
// Line and status changes seen by polling: the driver's event counters
// (breaks, errors, modem-line transitions, which also catch pulses shorter
// than the polling interval) and the modem lines themselves. Comparing two
// snapshots gives the notifications, in the order a port event reports them:
// break, line error, ring, then CTS, DSR and carrier, each as on or off.
#include <cstdint>
#include <optional>
#include <vector>

#include "serial/notification.h"

namespace serial {

struct LineCounters {
    std::uint32_t cts = 0, dsr = 0, ring = 0, carrier = 0;
    std::uint32_t frame = 0, parity = 0, overrun = 0, bufferOverrun = 0, breaks = 0;
    bool operator==(const LineCounters&) const = default;
};

struct ModemLines {
    bool cts = false, dsr = false, ring = false, carrier = false;
    bool operator==(const ModemLines&) const = default;
};

// Either part is absent when the device cannot tell it (pseudo-terminals
// tell neither).
struct LineSnapshot {
    std::optional<LineCounters> counters;
    std::optional<ModemLines> lines;
};

// `marksInBand`: parity and framing errors and breaks already come marked in
// the data (parity checking on), so their counters are not reported again.
// Overruns never show in the data and always come from the counters.
void lineChanges(const LineSnapshot& before, const LineSnapshot& now, bool marksInBand,
                 std::vector<Notification>& out);

}  // namespace serial
