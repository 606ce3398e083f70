#include "web/live_feed.h"

#include <QDateTime>
#include <QRandomGenerator>

namespace web {

LiveFeed::LiveFeed(std::vector<MeterInfo> meters, FeedLimits limits) : m_limits(limits) {
    m_instance = QString::number(QDateTime::currentMSecsSinceEpoch(), 36).toStdString() + "-" +
                 QString::number(QRandomGenerator::global()->generate(), 36).toStdString();
    for (MeterInfo& info : meters) m_meters.push_back(Meter{std::move(info), CurveHistory(limits.pointsPerMeter)});
}

void LiveFeed::push(std::size_t meter, const WebTick& tick) {
    // Formatted before the lock: the server's thread waits only for the copy.
    const CurvePoint point = curvePoint(tick);
    // When the row was handed to its day file, to the millisecond (the row's
    // own time has whole seconds): what a page's delay is measured from.
    const std::int64_t handedMs = QDateTime::currentMSecsSinceEpoch();
    const std::int64_t awaySince = tick.meter.deviceAway ? point.ms : 0;
    {
        std::lock_guard lock(m_mutex);
        Meter& m = m_meters.at(meter);
        if (!tick.meter.deviceAway) {
            m.awaySinceMs = 0;
        } else if (m.awaySinceMs == 0) {
            m.awaySinceMs = awaySince;
        }
        m.status = statusJson(tick, m.awaySinceMs);
        if (tick.row) m.curve.append(point);
        const std::uint64_t sequence = ++m_sequence;
        std::string text = "id: " + m_instance + "." + std::to_string(sequence) + "\nevent: tick\ndata: {\"m\":";
        appendJsonInteger(text, std::int64_t(meter));
        text += ",\"at\":";
        appendJsonInteger(text, handedMs);
        text += ",\"s\":" + m.status;
        if (tick.row) {
            text += ",\"p\":[";
            appendJsonInteger(text, point.ms);
            text += ',';
            appendJsonNumber(text, point.volts);
            text += ',';
            appendJsonNumber(text, point.amps);
            text += ']';
        }
        text += "}\n\n";
        m_events.push_back(Event{sequence, std::move(text)});
        while (m_events.size() > m_limits.events) m_events.pop_front();
    }
    if (m_onEvent) m_onEvent();
}

std::uint64_t LiveFeed::lastSequence() const {
    std::lock_guard lock(m_mutex);
    return m_sequence;
}

std::string LiveFeed::snapshotJson() const {
    struct Copy {
        const MeterInfo* info;
        std::string status;
        CurveHistory::Copy curve;
    };
    std::vector<Copy> copies;
    std::uint64_t sequence = 0;
    {
        std::lock_guard lock(m_mutex);
        sequence = m_sequence;
        for (const Meter& m : m_meters) copies.push_back(Copy{&m.info, m.status, m.curve.copy()});
    }
    std::string out = "{\"instance\":";
    appendJsonString(out, m_instance);
    out += ",\"seq\":";
    appendJsonInteger(out, std::int64_t(sequence));
    out += ",\"meters\":[";
    for (const Copy& copy : copies) {
        if (&copy != &copies.front()) out += ',';
        out += "{\"name\":";
        appendJsonString(out, copy.info->name);
        out += ",\"cutoff\":";
        appendJsonNumber(out, copy.info->cutoffVolts ? float(*copy.info->cutoffVolts) : NAN);
        out += ",\"hold\":";
        appendJsonInteger(out, copy.info->holdSeconds);
        out += ",\"status\":" + copy.status + ",";
        appendCurveJson(out, copy.curve);
        out += '}';
    }
    out += "]}";
    return out;
}

std::optional<std::uint64_t> LiveFeed::appendEvents(std::uint64_t after, std::string& out,
                                                     std::size_t maxBytes) const {
    std::lock_guard lock(m_mutex);
    if (after >= m_sequence) return after;
    if (m_events.empty() || m_events.front().sequence > after + 1) return std::nullopt;
    std::uint64_t last = after;
    for (auto it = m_events.begin() + std::ptrdiff_t(after + 1 - m_events.front().sequence); it != m_events.end();
         ++it) {
        if (last != after && out.size() + it->text.size() > maxBytes) break;
        out += it->text;
        last = it->sequence;
    }
    return last;
}

}  // namespace web
