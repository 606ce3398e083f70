#pragma once
// The recorder's web page over HTTP: the page's files, every meter's state
// and curve (/live.json), one live stream of all meters' ticks (/events) and,
// when the metrics are given the same port, /metrics. Served by libmicrohttpd
// on its own thread; the recording's thread only pushes into the LiveFeed.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>

#include <QString>

#include "web/basic_auth.h"
#include "web/event_streams.h"
#include "web/live_feed.h"
#include "web/look_back.h"
#include "web/web_settings.h"

struct MHD_Daemon;
struct MHD_Connection;

namespace web {

struct WebHooks {
    // /metrics on this listener (the text format's body), when set. It is
    // served without the password, as a scraper expects.
    std::function<std::string()> metrics;
    // The look back over the day files, when the page offers it.
    std::shared_ptr<const LookBack> lookBack;
};

class WebServer {
public:
    // Listening, or the reason it cannot. `feed` outlives the server.
    static std::variant<std::unique_ptr<WebServer>, QString> start(const WebSettings& settings, LiveFeed& feed,
                                                                   WebHooks hooks = {});
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    std::uint16_t port() const;
    std::size_t streamCount() const { return m_streams.count(); }

private:
    WebServer(const WebSettings& settings, LiveFeed& feed, WebHooks hooks);
    static int answer(void* self, MHD_Connection* connection, const char* url, const char* method, const char*,
                      const char*, std::size_t* uploadSize, void** context);
    int route(MHD_Connection* connection, const std::string& path, bool head);
    int lookBackRoute(MHD_Connection* connection, const std::string& path);

    WebSettings m_settings;
    LiveFeed& m_feed;
    WebHooks m_hooks;
    BasicAuth m_auth;
    EventStreams m_streams;
    MHD_Daemon* m_daemon = nullptr;
};

}  // namespace web
