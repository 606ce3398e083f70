// The page's look back through the server: day files listed and served only
// by their listed names, spans joined across midnight, bad spans refused.
#include <gtest/gtest.h>

#include <QDateTime>
#include <filesystem>
#include <fstream>

#include "tests/web/day_files.h"
#include "tests/web/raw_client.h"
#include "web/web_server.h"

namespace {

namespace fs = std::filesystem;
using web::testing::get;
using web::testing::statusOf;

std::string bodyOf(const std::string& answer) {
    const std::size_t blank = answer.find("\r\n\r\n");
    return blank == std::string::npos ? std::string() : answer.substr(blank + 4);
}

// A folder with two days around midnight, and a secret beside it that a
// link inside the folder points to.
struct Folder {
    Folder() {
        char pattern[] = "/tmp/kzrt-web-lookback-XXXXXX";
        root = mkdtemp(pattern);
        meter = root / "bench";
        fs::create_directories(meter);
        web::testing::writeDayFile(meter / "KZRT2026126.csv", 2026, 12, 6, 86400 - 10, 10);  // 23:59:50 … 23:59:59
        web::testing::writeDayFile(meter / "KZRT2026127.csv", 2026, 12, 7, 0, 10);           // 00:00:00 … 00:00:09
        std::ofstream(root / "secret.txt") << "TOP-SECRET-BYTES\n";
        fs::create_symlink(root / "secret.txt", meter / "KZRT2026125.csv");
        std::ofstream(meter / "notes.txt") << "TOP-SECRET-BYTES\n";
    }
    ~Folder() { fs::remove_all(root); }
    fs::path root, meter;
};

struct Served {
    explicit Served(const Folder& folder) : feed({{"bench"}}) {
        web::WebHooks hooks;
        hooks.lookBack = std::make_shared<const web::LookBack>(
            std::vector<web::LookBackMeter>{{"bench", folder.meter.string()}});
        web::WebSettings settings;
        settings.address.port = 0;
        auto started = web::WebServer::start(settings, feed, hooks);
        server = std::move(std::get<std::unique_ptr<web::WebServer>>(started));
    }
    int port() const { return server->port(); }
    web::LiveFeed feed;
    std::unique_ptr<web::WebServer> server;
};

TEST(WebLookBack, OnlyListedDayFilesAreServedAndNoByteOfAnythingElse) {
    Folder folder;
    Served served(folder);
    const std::string listing = bodyOf(get(served.port(), "/lookback/files.json"));
    EXPECT_NE(listing.find("\"name\":\"KZRT2026127.csv\",\"date\":\"2026-12-07\",\"rows\":10"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("KZRT2026125.csv"), std::string::npos) << "a link is not a day file";

    const std::string day = get(served.port(), "/lookback/day?meter=0&name=KZRT2026127.csv");
    EXPECT_EQ(statusOf(day), 200);
    std::ifstream original(folder.meter / "KZRT2026127.csv", std::ios::binary);
    EXPECT_EQ(bodyOf(day), std::string(std::istreambuf_iterator<char>(original), {}));
    EXPECT_NE(day.find("Content-Disposition: attachment; filename=\"KZRT2026127.csv\""), std::string::npos);

    const std::vector<std::string> refused = {
        "/lookback/day?meter=0&name=../secret.txt",
        "/lookback/day?meter=0&name=..%2fsecret.txt",
        "/lookback/day?meter=0&name=%2e%2e%2fsecret.txt",
        "/lookback/day?meter=0&name=..%5csecret.txt",
        "/lookback/day?meter=0&name=" + (folder.root / "secret.txt").string(),
        "/lookback/day?meter=0&name=KZRT2026127.csv%00",
        "/lookback/day?meter=0&name=KZRT2026127.csv%00../../secret.txt",
        "/lookback/day?meter=0&name=KZRT2026125.csv",  // the link to the secret
        "/lookback/day?meter=0&name=KZRT2099101.csv",  // not recorded
        "/lookback/day?meter=0&name=notes.txt",
        "/lookback/day?meter=1&name=KZRT2026127.csv",
        "/lookback/day?meter=-1&name=KZRT2026127.csv",
        "/lookback/day?meter=..%2f&name=KZRT2026127.csv",
        "/lookback/day/../../secret.txt",
        "/lookback/%2e%2e/%2e%2e/secret.txt",
        "/lookback/day?name=KZRT2026127.csv",
    };
    for (const std::string& target : refused) {
        const std::string answer = get(served.port(), target);
        EXPECT_EQ(statusOf(answer), 404) << target << "\n" << answer.substr(0, 200);
        EXPECT_EQ(answer.find("TOP-SECRET"), std::string::npos) << target;
    }
}

TEST(WebLookBack, ASpanAcrossMidnightHoldsEveryRowOfBothDaysInOrderOnce) {
    Folder folder;
    Served served(folder);
    const std::string query = "?meter=0&from=2026-12-06T23:59:00&to=2026-12-07T00:01:00";
    const std::string plot = bodyOf(get(served.port(), "/lookback/span.json" + query));
    ASSERT_EQ(plot.rfind("{\"t\":[", 0), 0u) << plot.substr(0, 200);
    const std::string volts = plot.substr(plot.find("\"v\":["));
    EXPECT_EQ(volts.substr(0, 40), "\"v\":[10,11,12,13,14,15,16,17,18,19,10,11") << volts.substr(0, 80);

    const std::string csv = bodyOf(get(served.port(), "/lookback/span.csv" + query));
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = csv.find('\n'); end != std::string::npos; start = end + 1, end = csv.find('\n', start)) {
        lines.push_back(csv.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), 21u) << csv;
    EXPECT_EQ(lines[1].substr(0, 19), "2026-12-06T23:59:50");
    EXPECT_EQ(lines[10].substr(0, 19), "2026-12-06T23:59:59");
    EXPECT_EQ(lines[11].substr(0, 19), "2026-12-07T00:00:00");
    EXPECT_EQ(lines[20].substr(0, 19), "2026-12-07T00:00:09");
}

TEST(WebLookBack, ABadSpanIsRefusedWithItsReason) {
    Folder folder;
    Served served(folder);
    struct Case {
        std::string query;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"from=2026-12-07T10:00&to=2026-12-07T09:00", "after"},
        {"from=2026-02-30&to=2026-03-01", "from"},
        {"from=2026-12-01&to=2026-13-01", "to"},
        {"from=2010-01-01&to=2026-01-01", "ten years"},
        {"from=yesterday", "from"},
    };
    for (const Case& c : cases) {
        const std::string answer = get(served.port(), "/lookback/span.json?meter=0&" + c.query);
        EXPECT_EQ(statusOf(answer), 400) << c.query;
        EXPECT_NE(bodyOf(answer).find(c.reason), std::string::npos) << c.query << ": " << bodyOf(answer);
    }
}

}  // namespace
