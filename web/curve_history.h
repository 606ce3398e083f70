#pragma once
// One meter's curve since the recorder started, up to a bound: points in
// full chunks that never change again (each formatted once, when it fills),
// and a tail being filled. A reader copies the chunk pointers and the short
// tail under the feed's lock and joins the texts outside it, so a page
// loading a day of points neither holds up a tick nor formats a number twice.
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "web/feed_json.h"

namespace web {

class CurveHistory {
public:
    static constexpr std::size_t kChunk = 1024;
    explicit CurveHistory(std::size_t maxPoints) : m_maxPoints(maxPoints) {}

    void append(const CurvePoint& point);

    // A full chunk and its JSON list texts, each value after a comma: the
    // times as seconds after the previous point (from the second one on).
    struct Chunk {
        std::int64_t firstMs = 0, lastMs = 0;
        std::string times, volts, amps;
    };
    struct Copy {
        std::vector<std::shared_ptr<const Chunk>> chunks;
        std::vector<CurvePoint> tail;
        std::size_t size() const;
    };
    Copy copy() const;

private:
    std::size_t m_maxPoints;
    std::deque<std::shared_ptr<const Chunk>> m_chunks;
    std::vector<CurvePoint> m_tail;
};

// The curve as the page reads it: "t0" the first time in seconds since the
// epoch, "t" each time as seconds after the previous one (rows have whole
// seconds, so the deltas are short), "v" and "a" with null for gaps.
void appendCurveJson(std::string& out, const CurveHistory::Copy& curve);

}  // namespace web
