#pragma once
// The open live streams (Server-Sent Events) of one server. Each stream
// keeps only its position in the feed's events and the piece of an event not
// yet taken by its socket, so a client that stops reading costs that much and
// no more. A stream with nothing to send is suspended; a new event resumes
// every suspended stream. The recording's thread only takes this lock and
// resumes, never writes to a socket.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_set>

#include "web/live_feed.h"

struct MHD_Connection;
struct MHD_Response;

namespace web {

class EventStreams {
public:
    EventStreams(const LiveFeed& feed, std::size_t cap) : m_feed(feed), m_cap(cap) {}

    // A stream for this connection, starting after the event `lastEventId`
    // ("instance.sequence"; empty: from now on). Null when the cap is reached.
    MHD_Response* open(MHD_Connection* connection, const std::string& lastEventId);
    // Resumes every stream waiting for an event. Any thread.
    void wake();
    // Ends every stream (before the server stops: none may stay suspended).
    void closeAll();
    std::size_t count() const;

private:
    struct Stream;
    static std::ptrdiff_t read(void* stream, std::uint64_t position, char* buffer, std::size_t max);
    static void release(void* stream);
    std::ptrdiff_t fill(Stream& stream, char* buffer, std::size_t max);
    void resumeSuspended();  // under m_mutex

    const LiveFeed& m_feed;
    std::size_t m_cap;
    mutable std::mutex m_mutex;
    std::unordered_set<Stream*> m_streams;
    bool m_closing = false;
};

}  // namespace web
