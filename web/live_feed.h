#pragma once
// Every meter's latest state, its curve, and the recent events, shared
// between the recording's thread (which pushes one tick per meter and row)
// and the server's thread (which reads a snapshot or the events after a
// client's last one). One short lock; nothing slow is done under it.
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "web/curve_history.h"
#include "web/web_tick.h"

namespace web {

struct FeedLimits {
    std::size_t pointsPerMeter = 86400;  // a day of rows at one a second
    std::size_t events = 16384;          // kept for a page that reconnects; older ones: reload
};

class LiveFeed {
public:
    explicit LiveFeed(std::vector<MeterInfo> meters, FeedLimits limits = {});

    // One tick of meter `meter` (an index into the meters given). Called on
    // the recording's thread; returns at once. `onEvent`, if set, runs after.
    void push(std::size_t meter, const WebTick& tick);
    void setOnEvent(std::function<void()> onEvent) { m_onEvent = std::move(onEvent); }

    // This run's identity: an event id from another run means a restart.
    const std::string& instance() const { return m_instance; }
    std::uint64_t lastSequence() const;
    // Every meter's state and curve, and the sequence they include.
    std::string snapshotJson() const;
    // Appends the events after `after` as Server-Sent Events text, at least
    // one and then while `maxBytes` allows; returns the last one appended.
    // Nothing when `after` is no longer kept (the client must reload).
    std::optional<std::uint64_t> appendEvents(std::uint64_t after, std::string& out, std::size_t maxBytes) const;
    std::size_t meterCount() const { return m_meters.size(); }

private:
    struct Meter {
        MeterInfo info;
        CurveHistory curve;
        std::string status = "null";  // the latest statusJson
        std::int64_t awaySinceMs = 0;
    };
    struct Event {
        std::uint64_t sequence;
        std::string text;
    };

    FeedLimits m_limits;
    std::string m_instance;
    std::function<void()> m_onEvent;
    mutable std::mutex m_mutex;
    std::vector<Meter> m_meters;
    std::deque<Event> m_events;
    std::uint64_t m_sequence = 0;
};

}  // namespace web
