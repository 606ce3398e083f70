#include "serial/line_watch.h"

namespace serial {
namespace {

// A modem line changed if the driver counted a transition or the level now
// differs; the notification tells the level it has now.
void modemLine(bool counted, const std::optional<ModemLines>& before, const std::optional<ModemLines>& now,
               bool ModemLines::*line, NotificationCode on, NotificationCode off, std::vector<Notification>& out) {
    if (!now) return;
    const bool levelChanged = before && (*before).*line != (*now).*line;
    if (counted || levelChanged) out.push_back(statusNotification((*now).*line ? on : off));
}

}  // namespace

void lineChanges(const LineSnapshot& before, const LineSnapshot& now, bool marksInBand,
                 std::vector<Notification>& out) {
    LineCounters delta;
    if (before.counters && now.counters) {
        const LineCounters& a = *before.counters;
        const LineCounters& b = *now.counters;
        delta = {b.cts - a.cts,         b.dsr - a.dsr,         b.ring - a.ring,
                 b.carrier - a.carrier, b.frame - a.frame,     b.parity - a.parity,
                 b.overrun - a.overrun, b.bufferOverrun - a.bufferOverrun, b.breaks - a.breaks};
    }
    if (delta.breaks != 0 && !marksInBand) out.push_back(statusNotification(kBreakDetected));
    const bool overrun = delta.overrun != 0 || delta.bufferOverrun != 0;
    const bool badByte = (delta.frame != 0 || delta.parity != 0) && !marksInBand;
    if (overrun || badByte) out.push_back(statusNotification(kLineError));
    const bool ringStarted = before.lines && now.lines && !before.lines->ring && now.lines->ring;
    if (delta.ring != 0 || ringStarted) out.push_back(statusNotification(kRingIndicator));
    modemLine(delta.cts != 0, before.lines, now.lines, &ModemLines::cts, kCtsOn, kCtsOff, out);
    modemLine(delta.dsr != 0, before.lines, now.lines, &ModemLines::dsr, kDsrOn, kDsrOff, out);
    modemLine(delta.carrier != 0, before.lines, now.lines, &ModemLines::carrier, kCarrierOn, kCarrierOff, out);
}

}  // namespace serial
