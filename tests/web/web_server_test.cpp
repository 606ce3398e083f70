// The web server on its own thread against ticks pushed from the test's: the
// live stream and its fill-in, the password, and clients that misbehave.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QFile>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "tests/web/raw_client.h"
#include "web/web_server.h"

namespace {

using namespace std::chrono_literals;
using web::testing::RawClient;
using web::testing::get;
using web::testing::statusOf;

web::WebTick tick(const char* volts, std::int64_t ms, bool away = false) {
    web::WebTick t;
    t.meter.time = QDateTime::fromMSecsSinceEpoch(ms);
    t.meter.readouts = {volts, "1.0000", "12.000", "12.000", "0.0033", "0.0003", "+25.3"};
    t.meter.deviceAway = away;
    return t;
}

struct Served {
    explicit Served(web::WebSettings settings = {}, web::WebHooks hooks = {}, web::FeedLimits limits = {})
        : feed({{"left"}, {"right"}}, limits) {
        settings.address.port = 0;
        auto started = web::WebServer::start(settings, feed, std::move(hooks));
        if (auto* error = std::get_if<QString>(&started)) ADD_FAILURE() << error->toStdString();
        else server = std::move(std::get<std::unique_ptr<web::WebServer>>(started));
    }
    int port() const { return server ? server->port() : 0; }
    web::LiveFeed feed;
    std::unique_ptr<web::WebServer> server;
};

std::string streamRequest(const std::string& query = {}, const std::string& headers = {}) {
    return "GET /events" + query + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n";
}

// This process's resident memory, in MB.
double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(WebStream, DeliversEveryTickInOrderAndFillsInAfterAReconnect) {
    Served served;
    RawClient first;
    ASSERT_TRUE(first.connect(served.port()));
    first.send(streamRequest());
    ASSERT_TRUE(first.readUntilContains("retry: 1000"));
    EXPECT_NE(first.received().find("Content-Type: text/event-stream"), std::string::npos);
    served.feed.push(0, tick("12.000", 1000));
    served.feed.push(1, tick("-OVLD-", 1000));
    ASSERT_TRUE(first.readUntilContains("\"-OVLD-\"", 2s)) << first.received();
    const std::string instance = served.feed.instance();
    const std::string& got = first.received();
    EXPECT_LT(got.find("id: " + instance + ".1\n"), got.find("id: " + instance + ".2\n"));
    EXPECT_NE(got.find("\"m\":1,\"at\":"), std::string::npos);
    EXPECT_NE(got.find("\"p\":[1000,null,1]"), std::string::npos) << "an overload is a gap, not a number";
    first.close();

    // Missed while away: 3 and 4; the page says it had 2.
    served.feed.push(0, tick("12.100", 2000));
    served.feed.push(0, tick("12.200", 3000));
    for (const std::string& how : {std::string("since"), std::string("Last-Event-ID")}) {
        RawClient again;
        ASSERT_TRUE(again.connect(served.port()));
        const std::string id = instance + ".2";
        again.send(how == "since" ? streamRequest("?since=" + id) : streamRequest({}, "Last-Event-ID: " + id + "\r\n"));
        ASSERT_TRUE(again.readUntilContains("id: " + instance + ".4\n")) << how << again.received();
        EXPECT_EQ(countOf(again.received(), "event: tick"), 2u) << how;
        EXPECT_EQ(again.received().find("id: " + instance + ".2\n"), std::string::npos) << how;
    }
}

TEST(WebStream, AnotherRunOrAForgottenEventAsksThePageToReload) {
    Served served(web::WebSettings{}, {}, web::FeedLimits{100, 4});
    for (int i = 0; i < 10; ++i) served.feed.push(0, tick("1.000", 1000 + i));
    const std::string instance = served.feed.instance();
    for (const std::string& since : {std::string("other-run.3"), instance + ".2", instance + ".x", instance + ".99", std::string("junk")}) {
        RawClient client;
        ASSERT_TRUE(client.connect(served.port()));
        client.send(streamRequest("?since=" + since));
        EXPECT_TRUE(client.readUntilContains("event: reset\n")) << since << client.received();
        EXPECT_EQ(client.received().find("event: tick"), std::string::npos) << since;
    }
    RawClient kept;
    ASSERT_TRUE(kept.connect(served.port()));
    kept.send(streamRequest("?since=" + instance + ".7"));
    EXPECT_TRUE(kept.readUntilContains("id: " + instance + ".10\n"));
    EXPECT_EQ(kept.received().find("event: reset"), std::string::npos);
}

TEST(WebStream, SnapshotHoldsEveryMetersStateAndCurveWithGaps) {
    Served served;
    served.feed.push(0, tick("12.000", 5000));
    served.feed.push(0, tick("0", 6000, true));
    served.feed.push(0, tick("12.500", 8000));
    const std::string body = get(served.port(), "/live.json");
    EXPECT_EQ(statusOf(body), 200);
    EXPECT_NE(body.find("\"seq\":3"), std::string::npos);
    EXPECT_NE(body.find("\"t0\":5,\"t\":[0,1,2],\"v\":[12,null,12.5]"), std::string::npos) << body;
    EXPECT_NE(body.find("\"name\":\"right\""), std::string::npos);
    EXPECT_NE(body.find("\"state\":\"recording\""), std::string::npos);
}

// Across the curve's chunks, and once the oldest go: every point once, in order.
TEST(WebStream, ADayOfCurveKeepsItsBoundAndEveryPointInOrder) {
    web::LiveFeed feed({{"only"}}, web::FeedLimits{3000, 100});
    const int pushed = 5000;
    for (int i = 0; i < pushed; ++i) feed.push(0, tick(std::to_string(i).c_str(), std::int64_t(i) * 1000));
    const std::string body = feed.snapshotJson();
    const auto list = [&](const std::string& name) {
        const std::size_t start = body.find("\"" + name + "\":[") + name.size() + 4;
        std::vector<long> values;
        for (std::size_t at = start; body[at - 1] != ']'; at = body.find_first_of(",]", at) + 1) {
            values.push_back(std::stol(body.substr(at, body.find_first_of(",]", at) - at)));
        }
        return values;
    };
    const std::vector<long> deltas = list("t"), volts = list("v");
    ASSERT_EQ(deltas.size(), volts.size());
    EXPECT_GE(volts.size(), 3000u);
    EXPECT_LT(volts.size(), 3000u + web::CurveHistory::kChunk * 2);
    EXPECT_EQ(volts.back(), pushed - 1);
    const long t0 = std::stol(body.substr(body.find("\"t0\":") + 5));
    EXPECT_EQ(t0, volts.front()) << "the first kept point's time";
    for (std::size_t i = 1; i < volts.size(); ++i) {
        ASSERT_EQ(volts[i], volts[i - 1] + 1) << i;
        ASSERT_EQ(deltas[i], 1) << i;
    }
}

TEST(WebRequests, EachBadRequestGetsItsOwnAnswer) {
    Served served;
    struct Case {
        std::string request;
        std::vector<int> statuses;
    };
    const std::string huge(1 << 20, 'a');
    const std::vector<Case> cases = {
        {"POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello", {405}},
        {"PUT /live.json HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n", {405}},
        {"DELETE / HTTP/1.1\r\nHost: x\r\n\r\n", {405}},
        {"PATCH /events HTTP/1.1\r\nHost: x\r\n\r\n", {405}},
        {"OPTIONS * HTTP/1.1\r\nHost: x\r\n\r\n", {405}},
        {"BREW / HTTP/1.1\r\nHost: x\r\n\r\n", {405}},
        {"GET /?q=" + huge + " HTTP/1.1\r\nHost: x\r\n\r\n", {414, 431}},
        {"GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + huge + "\r\n\r\n", {431}},
        {"GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n", {404}},
        {"GET /../web/web_server.cpp HTTP/1.1\r\nHost: x\r\n\r\n", {404}},
        {"GET / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", {200}},
    };
    for (const Case& c : cases) {
        RawClient client;
        ASSERT_TRUE(client.connect(served.port()));
        client.send(c.request);
        client.readUntil([](const std::string& got) { return got.find("\r\n\r\n") != std::string::npos; });
        const int status = statusOf(client.received());
        EXPECT_NE(std::find(c.statuses.begin(), c.statuses.end(), status), c.statuses.end())
            << c.request.substr(0, 40) << " -> " << client.received().substr(0, 80);
        if (status == 405) {
            EXPECT_NE(client.received().find("Allow: GET, HEAD"), std::string::npos);
        }
    }
}

TEST(WebRequests, ThePageAndItsFilesComeCompressedWhenAsked) {
    Served served;
    std::size_t total = 0;
    for (const char* path : {"/", "/style.css", "/app.js", "/uplot.js", "/uplot.css"}) {
        const std::string plain = get(served.port(), path);
        const std::string packed = get(served.port(), path, "Accept-Encoding: gzip, deflate\r\n");
        EXPECT_EQ(statusOf(plain), 200) << path;
        EXPECT_NE(packed.find("Content-Encoding: gzip"), std::string::npos) << path;
        EXPECT_LT(packed.size(), plain.size()) << path;
        total += packed.size();
    }
    EXPECT_LE(total, 100u * 1024u) << "everything the page loads, compressed";
}

TEST(WebPassword, EveryRouteButMetricsNeedsIt) {
    web::WebSettings settings;
    settings.password = "s3cret pass";
    Served served(settings, web::WebHooks{[] { return std::string("kzrt_up{meter=\"x\"} 1\n"); }});
    const std::string right = "Authorization: Basic " + QByteArray("anyone:s3cret pass").toBase64().toStdString() + "\r\n";
    const std::string wrong = "Authorization: Basic " + QByteArray("anyone:s3cret pas").toBase64().toStdString() + "\r\n";
    for (const char* path : {"/", "/live.json", "/app.js", "/events", "/nothing"}) {
        const std::string refused = get(served.port(), path);
        EXPECT_EQ(statusOf(refused), 401) << path;
        EXPECT_NE(refused.find("WWW-Authenticate: Basic realm=\"kzrt-record\""), std::string::npos);
        EXPECT_EQ(statusOf(get(served.port(), path, wrong)), 401) << path;
        EXPECT_EQ(statusOf(get(served.port(), path, "Authorization: Basic !!!\r\n")), 401) << path;
        EXPECT_EQ(refused.find("s3cret"), std::string::npos);
    }
    EXPECT_EQ(statusOf(get(served.port(), "/live.json", right)), 200);
    EXPECT_EQ(statusOf(get(served.port(), "/metrics")), 200);
    EXPECT_NE(get(served.port(), "/metrics").find("kzrt_up{meter=\"x\"} 1"), std::string::npos);
}

// The time to a refusal tells nothing: a wrong password of any length is
// turned away as fast as the right one is let in.
TEST(WebPassword, AWrongPasswordTakesAsLongAsTheRightOne) {
    web::WebSettings settings;
    settings.password = std::string(64, 'k');
    Served served(settings);
    const auto header = [](const std::string& password) {
        return "Authorization: Basic " + QByteArray::fromStdString("u:" + password).toBase64().toStdString() + "\r\n";
    };
    const auto medianMicros = [&](const std::string& headers) {
        std::vector<double> times;
        for (int i = 0; i < 150; ++i) {
            const auto start = std::chrono::steady_clock::now();
            get(served.port(), "/nothing", headers);
            times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        }
        std::nth_element(times.begin(), times.begin() + 75, times.end());
        return times[75];
    };
    const double right = medianMicros(header(settings.password));
    for (const std::string& wrong : {std::string(), std::string("k"), std::string(63, 'k') + "x", std::string(4000, 'k')}) {
        const double refused = medianMicros(header(wrong));
        EXPECT_LT(refused, right * 1.5 + 300) << wrong.size() << " characters: " << refused << " µs vs " << right;
        EXPECT_GT(refused, right / 1.5 - 300) << wrong.size() << " characters: " << refused << " µs vs " << right;
    }
}

TEST(WebAbuse, IdleUnreadAndDroppedClientsNeitherDelayTicksNorLockOutAGoodOne) {
    web::WebSettings settings;
    settings.limits.streams = 64;
    Served served(settings);
    const double memoryBefore = residentMegabytes();
    std::vector<RawClient> idle(300);
    for (RawClient& client : idle) ASSERT_TRUE(client.connect(served.port()));
    RawClient unread;
    ASSERT_TRUE(unread.connect(served.port()));
    unread.shrinkReceiveBuffer();
    unread.send(streamRequest());
    for (int i = 0; i < 1000; ++i) {
        RawClient dropped;
        ASSERT_TRUE(dropped.connect(served.port()));
        dropped.send(streamRequest());
        if (i % 100 == 0) served.feed.push(0, tick("5.000", 1000 + i));
    }
    // A good client and ticks while all that is open: a second of ticks each
    // returns at once, and every one reaches the good client.
    RawClient good;
    ASSERT_TRUE(good.connect(served.port()));
    good.send(streamRequest());
    ASSERT_TRUE(good.readUntilContains("retry: 1000", 10s)) << good.received();
    double slowestMs = 0;
    const std::string big(2000, '9');
    for (int i = 0; i < 200; ++i) {
        const auto start = std::chrono::steady_clock::now();
        served.feed.push(i % 2, tick(i == 199 ? "last" : big.c_str(), 10000 + i));
        slowestMs = std::max(slowestMs, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_LT(slowestMs, 100.0) << "a tick never waits for a client";
    ASSERT_TRUE(good.readUntilContains("\"last\"", 5s));
    EXPECT_EQ(countOf(good.received(), "event: tick"), 200u);
    EXPECT_EQ(statusOf(get(served.port(), "/live.json")), 200);
    // The dropped streams are gone once a tick found them closed, and what
    // the clients cost is bounded (an unread stream holds one event).
    EXPECT_LE(served.server->streamCount(), 3u);
    EXPECT_LT(residentMegabytes() - memoryBefore, 100.0);
}

TEST(WebAbuse, StreamsOverTheCapAreRefusedWithAReason) {
    web::WebSettings settings;
    settings.limits.streams = 3;
    Served served(settings);
    std::vector<RawClient> open(3);
    for (RawClient& client : open) {
        ASSERT_TRUE(client.connect(served.port()));
        client.send(streamRequest());
        ASSERT_TRUE(client.readUntilContains("retry:"));
    }
    const std::string refused = get(served.port(), "/events");
    EXPECT_EQ(statusOf(refused), 503);
    EXPECT_NE(refused.find("Too many live streams are open (3)"), std::string::npos);
    EXPECT_NE(refused.find("Retry-After: 5"), std::string::npos);
    // A closed stream is found out by the ticks that follow (the first write
    // to a closed socket still succeeds).
    open.front().close();
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    for (int i = 0; served.server->streamCount() >= 3 && std::chrono::steady_clock::now() < deadline; ++i) {
        served.feed.push(0, tick("1.000", 1000 + i));
        std::this_thread::sleep_for(50ms);
    }
    RawClient again;
    ASSERT_TRUE(again.connect(served.port()));
    again.send(streamRequest());
    EXPECT_TRUE(again.readUntilContains("retry: 1000"));
}

}  // namespace
