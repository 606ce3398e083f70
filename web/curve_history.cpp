#include "web/curve_history.h"

namespace web {

void CurveHistory::append(const CurvePoint& point) {
    if (m_tail.capacity() < kChunk) m_tail.reserve(kChunk);
    m_tail.push_back(point);
    if (m_tail.size() < kChunk) return;
    m_chunks.push_back(std::make_shared<const std::vector<CurvePoint>>(std::move(m_tail)));
    m_tail = {};
    // Whole chunks go, so at least the bound stays.
    while ((m_chunks.size() - 1) * kChunk >= m_maxPoints && m_chunks.size() > 1) m_chunks.pop_front();
}

CurveHistory::Copy CurveHistory::copy() const {
    return Copy{{m_chunks.begin(), m_chunks.end()}, m_tail};
}

std::size_t CurveHistory::Copy::size() const { return chunks.size() * kChunk + tail.size(); }

namespace {

template <typename Visit>
void eachPoint(const CurveHistory::Copy& curve, Visit visit) {
    for (const auto& chunk : curve.chunks) {
        for (const CurvePoint& point : *chunk) visit(point);
    }
    for (const CurvePoint& point : curve.tail) visit(point);
}

}  // namespace

void appendCurveJson(std::string& out, const CurveHistory::Copy& curve) {
    out.reserve(out.size() + curve.size() * 24 + 64);
    const std::int64_t first = !curve.chunks.empty() ? curve.chunks.front()->front().ms
                               : !curve.tail.empty()  ? curve.tail.front().ms
                                                      : 0;
    out += "\"t0\":";
    appendJsonInteger(out, first);
    out += ",\"t\":[";
    std::int64_t previous = first;
    bool comma = false;
    eachPoint(curve, [&](const CurvePoint& p) {
        if (comma) out += ',';
        comma = true;
        appendJsonInteger(out, p.ms - previous);
        previous = p.ms;
    });
    out += "],\"v\":[";
    comma = false;
    eachPoint(curve, [&](const CurvePoint& p) {
        if (comma) out += ',';
        comma = true;
        appendJsonNumber(out, p.volts);
    });
    out += "],\"a\":[";
    comma = false;
    eachPoint(curve, [&](const CurvePoint& p) {
        if (comma) out += ',';
        comma = true;
        appendJsonNumber(out, p.amps);
    });
    out += ']';
}

}  // namespace web
