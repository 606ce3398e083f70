// The live page in Debian's headless chromium, against kzrt-record recording
// meters on pseudo-terminals: what the page shows is read from its DOM and
// its screenshot, and held against the day files.
#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QThread>
#include <cmath>
#include <set>

#include "tests/publish/local_programs.h"
#include "tests/record/recorder_process.h"
#include "tests/web/page_helpers.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using record::testing::PtyMeter;
using record::testing::Recorder;
using web::testing::Browser;
using web::testing::Card;
using web::testing::cardOf;

QString pageUrl(int port) { return QStringLiteral("http://127.0.0.1:%1/").arg(port); }

// Waits until the card shows the newest row of the meter's day files, and
// returns that row (or nothing when it never did).
std::optional<lookback::DayRow> newestRowShown(Browser& browser, const fs::path& folder, const std::string& meter) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 8000) {
        const Card card = cardOf(browser, meter);
        const auto rows = web::testing::dayRows(folder / meter);
        if (card.found && !rows.empty() && card.clock == web::testing::clockText(rows.back())) return rows.back();
        QThread::msleep(100);
    }
    return std::nullopt;
}

TEST(LivePage, EachCardShowsItsMetersNewestRowAndTheCurvesAreDrawn) {
    PtyMeter cell([](double t) { return meter_sim::MeterSample{3.7 + 0.3 * std::sin(t), 0.5 + 0.2 * std::cos(t), 24.0}; });
    PtyMeter idle(record::testing::steady(12.0, 0.005));  // 2400 Ω: the resistance overflows its read-out
    const int port = publish::testing::freePort();
    Recorder recorder;
    recorder.start({"--web", QString::number(port), "cell=" + QString::fromStdString(cell.slavePath()),
                    "idle=" + QString::fromStdString(idle.slavePath())});
    ASSERT_TRUE(publish::testing::waitUntil([&] { return publish::testing::portOpen(port); }, 5s)) << recorder.err();
    Browser browser;
    ASSERT_TRUE(browser.ready()) << browser.lastError().toStdString();
    ASSERT_TRUE(browser.open(pageUrl(port)));
    ASSERT_TRUE(browser.waitFor("document.querySelectorAll('.card').length === 2", 10s));
    QThread::msleep(4000);  // some curve

    for (const std::string meter : {"cell", "idle"}) {
        const auto row = newestRowShown(browser, recorder.folder(), meter);
        ASSERT_TRUE(row) << meter << " never showed its newest row";
        const Card card = cardOf(browser, meter);
        const std::vector<std::string> recorded(row->values.begin(), row->values.end());
        EXPECT_EQ(card.values, recorded) << meter;
        EXPECT_EQ(card.state, "recording") << meter;
    }
    const Card idleCard = cardOf(browser, "idle");
    EXPECT_EQ(idleCard.values.at(0), "12.000");
    EXPECT_EQ(idleCard.values.at(3), "-OVLD-");
    EXPECT_NE(cardOf(browser, "cell").values.at(0), "12.000") << "no crossing between the cards";

    const QString shot = web::testing::artifactPath("web_page.png");
    ASSERT_TRUE(browser.screenshot(shot));
    const auto pixels = web::testing::curvePixels(QImage(shot));
    EXPECT_GT(pixels.red, 300) << "the voltage curve, red";
    EXPECT_GT(pixels.blue, 300) << "the current curve, blue";

    // On a phone the cards stack; in the dark the page is dark.
    ASSERT_TRUE(browser.setViewport(390, 844));
    ASSERT_TRUE(browser.setColourScheme("dark"));
    QThread::msleep(300);
    EXPECT_TRUE(browser.evaluate("(() => { const [a, b] = document.querySelectorAll('.card');"
                                 " return b.getBoundingClientRect().top >= a.getBoundingClientRect().bottom; })()")
                    .toBool());
    EXPECT_TRUE(browser.evaluate("document.documentElement.scrollWidth <= 390").toBool()) << "nothing wider than a phone";
    EXPECT_EQ(browser.evaluate("getComputedStyle(document.body).backgroundColor").toString(), "rgb(17, 19, 23)");
    ASSERT_TRUE(browser.screenshot(web::testing::artifactPath("web_page_phone_dark.png")));
    recorder.signal(SIGTERM);
    EXPECT_EQ(recorder.waitForExit(5000), 0) << recorder.err();
}

TEST(LivePage, AnUnpluggedMeterIsAwayAndThenRecordingAgainWithAGapInItsCurve) {
    auto first = std::make_unique<PtyMeter>(record::testing::steady(12.0, 1.0));
    const int port = publish::testing::freePort();
    Recorder recorder;
    const fs::path link = recorder.folder() / "adapter";
    fs::create_symlink(first->slavePath(), link);
    // A row every 3 s: the page hears of the device between rows.
    recorder.start({"--web", QString::number(port), "--interval", "3", "bench=" + QString::fromStdString(link.string())});
    ASSERT_TRUE(publish::testing::waitUntil([&] { return publish::testing::portOpen(port); }, 5s)) << recorder.err();
    Browser browser;
    ASSERT_TRUE(browser.ready());
    ASSERT_TRUE(browser.open(pageUrl(port)));
    ASSERT_TRUE(browser.waitFor("document.querySelector('[data-meter=\"bench\"] .state')?.dataset.state === 'recording'", 10s));
    QThread::msleep(4000);

    QElapsedTimer clock;
    first.reset();  // unplugged
    clock.start();
    ASSERT_TRUE(browser.waitFor("document.querySelector('[data-meter=\"bench\"] .state').dataset.state === 'away'", 5s));
    EXPECT_LE(clock.elapsed(), 2000) << "away shown after " << clock.elapsed() << " ms";
    EXPECT_NE(browser.evaluate("document.querySelector('[data-meter=\"bench\"] .state').textContent").toString().indexOf("away since"), -1);
    QThread::msleep(5000);

    PtyMeter second(record::testing::steady(5.0, 0.5));
    fs::remove(link);
    fs::create_symlink(second.slavePath(), link);
    clock.restart();
    ASSERT_TRUE(browser.waitFor("document.querySelector('[data-meter=\"bench\"] .state').dataset.state === 'recording'", 5s));
    EXPECT_LE(clock.elapsed(), 2000) << "recording again after " << clock.elapsed() << " ms";
    ASSERT_TRUE(browser.waitFor("document.querySelector('[data-meter=\"bench\"] [data-q=\"voltage\"]').textContent === '5.0000'", 8s));
    // The curve takes the row as it is drawn, which a loaded machine delays.
    ASSERT_TRUE(browser.waitFor("page.meters[0].v[page.meters[0].v.length - 1] === 5", 8s));
    // The curve: values before, a gap (nulls) while away, values after.
    const QJsonArray volts = browser.evaluate("page.meters[0].v").toArray();
    int firstNull = -1, lastNull = -1;
    for (int i = 0; i < volts.size(); ++i) {
        if (volts[i].isNull()) lastNull = i, firstNull = firstNull < 0 ? i : firstNull;
    }
    ASSERT_GT(firstNull, 0);
    EXPECT_EQ(volts[firstNull - 1].toDouble(), 12.0);
    ASSERT_LT(lastNull + 1, volts.size());
    EXPECT_EQ(volts[lastNull + 1].toDouble(), 5.0);
    ASSERT_TRUE(browser.screenshot(web::testing::artifactPath("web_page_gap.png")));
    EXPECT_NE(cardOf(browser, "bench").values.size(), 0u);
    const std::string losses = browser.evaluate("document.querySelector('[data-c=\"losses\"]').textContent").toString().toStdString();
    EXPECT_EQ(losses, "1");
    recorder.signal(SIGTERM);
    EXPECT_EQ(recorder.waitForExit(5000), 0) << recorder.err();
}

TEST(LivePage, ARestartedRecorderIsRejoinedAndNoRowOfTheOutageIsMissing) {
    PtyMeter meter([](double t) { return meter_sim::MeterSample{10.0 + t / 100.0, 1.0, 25.0}; });
    const int port = publish::testing::freePort();
    Recorder before;
    const fs::path dir = before.folder() / "rows";
    const QStringList arguments = {"--web", QString::number(port), "--dir", QString::fromStdString(dir.string()),
                                   "m=" + QString::fromStdString(meter.slavePath())};
    before.start(arguments);
    ASSERT_TRUE(publish::testing::waitUntil([&] { return publish::testing::portOpen(port); }, 5s)) << before.err();
    Browser browser;
    ASSERT_TRUE(browser.ready());
    ASSERT_TRUE(browser.open(pageUrl(port)));
    ASSERT_TRUE(browser.waitFor("page.meters.length === 1 && page.meters[0].x.length >= 3", 10s));
    const double openedAt = browser.evaluate("page.meters[0].x[0]").toDouble();

    before.signal(SIGTERM);
    ASSERT_EQ(before.waitForExit(5000), 0) << before.err();
    EXPECT_TRUE(browser.waitFor("document.getElementById('link').dataset.link === 'reconnecting'", 5s));
    QThread::msleep(2500);  // down: the page keeps trying
    Recorder after;
    after.start(arguments);
    QThread::msleep(3000);  // rows the page has not seen yet
    ASSERT_TRUE(browser.waitFor("document.getElementById('link').dataset.link === 'live'", 10s));
    QThread::msleep(1500);
    after.signal(SIGTERM);
    ASSERT_EQ(after.waitForExit(5000), 0) << after.err();

    std::set<std::int64_t> curve;
    for (const QJsonValue& x : browser.evaluate("page.meters[0].x").toArray()) curve.insert(std::int64_t(std::llround(x.toDouble() * 1000)));
    std::size_t checked = 0;
    for (const lookback::DayRow& row : web::testing::dayRows(dir / "m")) {
        const std::int64_t ms = web::testing::epochSeconds(row) * 1000;
        if (ms < std::int64_t(openedAt * 1000)) continue;
        ++checked;
        EXPECT_TRUE(curve.count(ms)) << "row at " << web::testing::clockText(row) << " missing from the page's curve";
    }
    EXPECT_GE(checked, 6u);
}

TEST(LivePage, ACapacityTestShowsItsCutoffAndAMeterThatStoppedSaysWhy) {
    // The cell drops below 3.0 V after 3 s; the load next to it goes on.
    PtyMeter cell([](double t) { return meter_sim::MeterSample{t < 3.0 ? 3.6 : 2.9, 1.5, 25.0}; });
    PtyMeter load(record::testing::steady(3.3, 0.2));
    const int port = publish::testing::freePort();
    Recorder recorder;
    recorder.start({"--web", QString::number(port), "--stop-below", "3.0", "--hold", "2",
                    "cell=" + QString::fromStdString(cell.slavePath()), "load=" + QString::fromStdString(load.slavePath())});
    ASSERT_TRUE(publish::testing::waitUntil([&] { return publish::testing::portOpen(port); }, 5s)) << recorder.err();
    Browser browser;
    ASSERT_TRUE(browser.ready());
    ASSERT_TRUE(browser.open(pageUrl(port)));
    const QString cellState = "document.querySelector('[data-meter=\"cell\"] .state')";
    ASSERT_TRUE(browser.waitFor(cellState + "?.dataset.state === 'stopped'", 15s)) << recorder.err();
    EXPECT_EQ(browser.evaluate(cellState + ".textContent").toString(), "stopped: the voltage stayed below the cutoff");
    const auto counter = [&](const char* meter, const char* key) {
        return browser.evaluate(QStringLiteral("document.querySelector('[data-meter=\"%1\"] [data-c=\"%2\"]').textContent")
                                    .arg(meter, key)).toString().toStdString();
    };
    EXPECT_EQ(counter("cell", "cutoff"), "3");
    EXPECT_EQ(counter("cell", "hold"), "2");
    EXPECT_EQ(counter("cell", "below"), "2");
    EXPECT_GT(std::stod(counter("cell", "ah")), 0.0);
    EXPECT_GT(std::stod(counter("cell", "wh")), 0.0);
    const auto rows = web::testing::dayRows(recorder.folder() / "cell");
    EXPECT_EQ(counter("cell", "rows"), std::to_string(rows.size())) << "the rows its day files hold";
    EXPECT_TRUE(browser.waitFor("document.querySelector('[data-meter=\"load\"] .state').dataset.state === 'recording'", 3s));
    EXPECT_FALSE(browser.evaluate("document.querySelector('[data-meter=\"load\"] .capacity').hidden").toBool());
    recorder.signal(SIGTERM);
    EXPECT_EQ(recorder.waitForExit(5000), 0) << recorder.err();
}

}  // namespace
