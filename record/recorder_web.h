#pragma once
// The recorder's web page: one LiveFeed of every meter, fed once per row and
// when a meter stops, and the server that reads it on its own thread.
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "record/record_options.h"
#include "runtime/date_time.h"
#include "web/live_feed.h"
#include "web/web_server.h"

namespace record {

class MeterRecorder;

class RecorderWeb {
public:
    // Listening, or why not (worded to follow "kzrt-record: "). `metrics`,
    // when set, serves /metrics on the page's listener.
    static std::variant<std::unique_ptr<RecorderWeb>, std::string> start(const RecordOptions& options,
                                                                         std::function<std::string()> metrics);
    void rowRecorded(const MeterRecorder& meter, runtime::DateTime now);
    // Each second and when the meter stops: the page hears at once that a
    // device went away or came back (between rows too), or that it stopped.
    void follow(const MeterRecorder& meter, runtime::DateTime now);

private:
    explicit RecorderWeb(std::vector<web::MeterInfo> meters) : m_feed(std::move(meters)) {}
    std::size_t indexOf(const MeterRecorder& meter) const;

    std::vector<std::string> m_names;  // by feed index
    // By feed index, what the page was last told: the device away, the meter stopped.
    std::vector<char> m_away, m_stopped;
    web::LiveFeed m_feed;
    std::unique_ptr<web::WebServer> m_server;  // after the feed: stops first
};

}  // namespace record
