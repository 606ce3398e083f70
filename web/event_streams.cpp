#include "web/event_streams.h"

#include <microhttpd.h>

#include <cstring>

namespace web {
namespace {

constexpr std::size_t kBlock = 32 * 1024;  // what one read hands the socket at most
// Tells the page to fetch the whole state again: its last event is from
// another run of the recorder, or too old to be kept.
constexpr char kReset[] = "event: reset\ndata: {}\n\n";

}  // namespace

struct EventStreams::Stream {
    EventStreams* owner = nullptr;
    MHD_Connection* connection = nullptr;
    std::uint64_t cursor = 0;
    bool reset = false;      // send kReset and end
    bool ending = false;     // the pending text is the last
    bool suspended = false;
    std::string pending;     // text taken from the feed, not yet in the socket
    std::size_t taken = 0;   // of `pending`
};

MHD_Response* EventStreams::open(MHD_Connection* connection, const std::string& lastEventId) {
    auto stream = std::make_unique<Stream>();
    stream->owner = this;
    stream->connection = connection;
    stream->cursor = m_feed.lastSequence();
    stream->pending = "retry: 1000\n\n";
    if (!lastEventId.empty()) {
        const std::size_t dot = lastEventId.rfind('.');
        const std::string instance = lastEventId.substr(0, dot == std::string::npos ? 0 : dot);
        char* end = nullptr;
        const std::string number = dot == std::string::npos ? std::string() : lastEventId.substr(dot + 1);
        const unsigned long long sequence = std::strtoull(number.c_str(), &end, 10);
        const bool valid = !number.empty() && *end == '\0' && instance == m_feed.instance() && sequence <= stream->cursor;
        if (valid) {
            stream->cursor = sequence;
        } else {
            stream->reset = true;
        }
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_closing || m_streams.size() >= m_cap) return nullptr;
        m_streams.insert(stream.get());
    }
    MHD_Response* response = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, kBlock, &EventStreams::read,
                                                                stream.get(), &EventStreams::release);
    if (response == nullptr) {
        std::lock_guard lock(m_mutex);
        m_streams.erase(stream.get());
        return nullptr;
    }
    stream.release();
    return response;
}

std::ptrdiff_t EventStreams::read(void* stream, std::uint64_t, char* buffer, std::size_t max) {
    auto* s = static_cast<Stream*>(stream);
    return s->owner->fill(*s, buffer, max);
}

void EventStreams::release(void* stream) {
    auto* s = static_cast<Stream*>(stream);
    {
        std::lock_guard lock(s->owner->m_mutex);
        s->owner->m_streams.erase(s);
    }
    delete s;
}

std::ptrdiff_t EventStreams::fill(Stream& s, char* buffer, std::size_t max) {
    if (s.taken == s.pending.size()) {
        if (s.ending) return MHD_CONTENT_READER_END_OF_STREAM;
        s.pending.clear();
        s.taken = 0;
        if (s.reset) {
            s.pending = kReset;
            s.ending = true;
        } else if (const auto last = m_feed.appendEvents(s.cursor, s.pending, kBlock)) {
            s.cursor = *last;
        } else {
            s.pending = kReset;  // it fell behind what is kept
            s.ending = true;
        }
    }
    if (s.pending.empty()) {
        // Nothing new: wait for the next event. Checked again under the lock
        // that wake() takes, so an event pushed just now is not slept through.
        std::lock_guard lock(m_mutex);
        if (m_closing) return MHD_CONTENT_READER_END_OF_STREAM;
        if (m_feed.lastSequence() == s.cursor) {
            s.suspended = true;
            MHD_suspend_connection(s.connection);
        }
        return 0;
    }
    const std::size_t n = std::min(max, s.pending.size() - s.taken);
    std::memcpy(buffer, s.pending.data() + s.taken, n);
    s.taken += n;
    return std::ptrdiff_t(n);
}

void EventStreams::resumeSuspended() {
    for (Stream* s : m_streams) {
        if (!s->suspended) continue;
        s->suspended = false;
        MHD_resume_connection(s->connection);
    }
}

void EventStreams::wake() {
    std::lock_guard lock(m_mutex);
    resumeSuspended();
}

void EventStreams::closeAll() {
    std::lock_guard lock(m_mutex);
    m_closing = true;
    resumeSuspended();
}

std::size_t EventStreams::count() const {
    std::lock_guard lock(m_mutex);
    return m_streams.size();
}

}  // namespace web
