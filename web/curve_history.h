#pragma once
// One meter's curve since the recorder started, up to a bound: points in
// full chunks that never change again, and a tail being filled. A reader
// copies the chunk pointers and the short tail under the feed's lock and
// formats outside it, so a page loading a day of points never holds up a tick.
#include <deque>
#include <memory>
#include <vector>

#include "web/feed_json.h"

namespace web {

class CurveHistory {
public:
    static constexpr std::size_t kChunk = 1024;
    explicit CurveHistory(std::size_t maxPoints) : m_maxPoints(maxPoints) {}

    void append(const CurvePoint& point);

    struct Copy {
        std::vector<std::shared_ptr<const std::vector<CurvePoint>>> chunks;
        std::vector<CurvePoint> tail;
        std::size_t size() const;
    };
    Copy copy() const;

private:
    std::size_t m_maxPoints;
    std::deque<std::shared_ptr<const std::vector<CurvePoint>>> m_chunks;
    std::vector<CurvePoint> m_tail;
};

// The curve as the page reads it: "t0" the first time in ms, "t" each time
// as milliseconds after the previous one, "v" and "a" with null for gaps.
void appendCurveJson(std::string& out, const CurveHistory::Copy& curve);

}  // namespace web
