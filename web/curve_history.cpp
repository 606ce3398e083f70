#include "web/curve_history.h"

namespace web {
namespace {

// Each point's delta (after the first), volts and amps, after a comma each.
std::shared_ptr<const CurveHistory::Chunk> formatChunk(const std::vector<CurvePoint>& points) {
    auto chunk = std::make_shared<CurveHistory::Chunk>();
    chunk->firstMs = points.front().ms;
    chunk->lastMs = points.back().ms;
    chunk->times.reserve(points.size() * 5);
    chunk->volts.reserve(points.size() * 7);
    chunk->amps.reserve(points.size() * 7);
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) {
            chunk->times += ',';
            appendJsonInteger(chunk->times, points[i].ms / 1000 - points[i - 1].ms / 1000);
        }
        chunk->volts += ',';
        appendJsonNumber(chunk->volts, points[i].volts);
        chunk->amps += ',';
        appendJsonNumber(chunk->amps, points[i].amps);
    }
    return chunk;
}

}  // namespace

void CurveHistory::append(const CurvePoint& point) {
    if (m_tail.capacity() < kChunk) m_tail.reserve(kChunk);
    m_tail.push_back(point);
    if (m_tail.size() < kChunk) return;
    m_chunks.push_back(formatChunk(m_tail));
    m_tail.clear();
    // Whole chunks go, so at least the bound stays.
    while ((m_chunks.size() - 1) * kChunk >= m_maxPoints && m_chunks.size() > 1) m_chunks.pop_front();
}

CurveHistory::Copy CurveHistory::copy() const { return Copy{{m_chunks.begin(), m_chunks.end()}, m_tail}; }

std::size_t CurveHistory::Copy::size() const { return chunks.size() * kChunk + tail.size(); }

void appendCurveJson(std::string& out, const CurveHistory::Copy& curve) {
    const std::shared_ptr<const CurveHistory::Chunk> tailChunk =
        curve.tail.empty() ? nullptr : formatChunk(curve.tail);
    std::vector<const CurveHistory::Chunk*> chunks;
    for (const auto& chunk : curve.chunks) chunks.push_back(chunk.get());
    if (tailChunk) chunks.push_back(tailChunk.get());
    std::size_t bytes = 64;
    for (const auto* chunk : chunks) bytes += chunk->times.size() + chunk->volts.size() + chunk->amps.size() + 16;
    out.reserve(out.size() + bytes);

    out += "\"t0\":";
    appendJsonInteger(out, chunks.empty() ? 0 : chunks.front()->firstMs / 1000);
    out += ",\"t\":[";
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (i > 0) out += ',';
        appendJsonInteger(out, i == 0 ? 0 : chunks[i]->firstMs / 1000 - chunks[i - 1]->lastMs / 1000);
        out += chunks[i]->times;
    }
    // The lists' texts start with a comma each: the first one is dropped.
    const auto list = [&](const char* name, std::string CurveHistory::Chunk::*texts) {
        out += name;
        const std::size_t start = out.size();
        for (const auto* chunk : chunks) out += chunk->*texts;
        if (out.size() > start) out.erase(start, 1);
        out += ']';
    };
    out += ']';
    list(",\"v\":[", &CurveHistory::Chunk::volts);
    list(",\"a\":[", &CurveHistory::Chunk::amps);
}

}  // namespace web
