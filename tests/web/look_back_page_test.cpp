// The look back on the page, in headless chromium: a meter's day files
// listed, a span across midnight plotted and downloaded whole.
#include <gtest/gtest.h>
#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>

#include "tests/publish/local_programs.h"
#include "tests/record/recorder_process.h"
#include "tests/web/browser.h"
#include "tests/web/day_files.h"
#include "tests/web/page_helpers.h"

namespace {

using namespace std::chrono_literals;
using record::testing::PtyMeter;
using record::testing::Recorder;

TEST(LookBackPage, ASpanAcrossMidnightIsPlottedAndDownloadedWhole) {
    PtyMeter meter(record::testing::steady(12.0, 1.0));
    Recorder recorder;
    const auto folder = recorder.folder() / "rows" / "bench";
    std::filesystem::create_directories(folder);
    web::testing::writeDayFile(folder / "KZRT2026126.csv", 2026, 12, 6, 86400 - 10, 10);
    web::testing::writeDayFile(folder / "KZRT2026127.csv", 2026, 12, 7, 0, 10);
    const int port = publish::testing::freePort();
    recorder.start({"--web", QString::number(port), "--dir", "rows", "bench=" + QString::fromStdString(meter.slavePath())});
    ASSERT_TRUE(publish::testing::waitUntil([&] { return publish::testing::portOpen(port); }, 5s)) << recorder.err();
    web::testing::Browser browser;
    ASSERT_TRUE(browser.ready());
    ASSERT_TRUE(browser.open(QStringLiteral("http://127.0.0.1:%1/").arg(port)));
    ASSERT_TRUE(browser.waitFor("document.querySelectorAll('#lb-files tbody tr').length >= 2", 10s));
    const QJsonArray dates = browser.evaluate("[...document.querySelectorAll('#lb-files tbody tr')]"
                                              ".map(r => r.cells[0].textContent + ' ' + r.cells[1].textContent)").toArray();
    EXPECT_TRUE(dates.contains(QJsonValue("2026-12-07 10"))) << QJsonDocument(dates).toJson().toStdString();
    EXPECT_TRUE(dates.contains(QJsonValue("2026-12-06 10")));

    ASSERT_TRUE(browser.evaluate("document.getElementById('lb-from').value = '2026-12-06T23:59:00';"
                                 "document.getElementById('lb-to').value = '2026-12-07T00:01:00';"
                                 "document.getElementById('lb-to').dispatchEvent(new Event('change'));"
                                 "lookBack.span = null; plotSpan().then(() => true)").toBool());
    ASSERT_TRUE(browser.waitFor("lookBack.span !== null", 10s));
    const QJsonArray volts = browser.evaluate("lookBack.span.v").toArray();
    QStringList shown;
    for (const QJsonValue& v : volts) shown << (v.isNull() ? QStringLiteral("null") : QString::number(v.toDouble()));
    EXPECT_EQ(shown.join(','), "10,11,12,13,14,15,16,17,18,19,10,11,12,13,14,15,16,17,18,19");
    const QString csv = browser.evaluate("fetch(document.getElementById('lb-csv').href).then(r => r.text())").toString();
    const QStringList lines = csv.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 21) << csv.toStdString();
    EXPECT_TRUE(lines[1].startsWith("2026-12-06T23:59:50"));
    EXPECT_TRUE(lines[20].startsWith("2026-12-07T00:00:09"));
    EXPECT_TRUE(browser.screenshot(web::testing::artifactPath("web_look_back.png")));
    recorder.signal(SIGTERM);
    EXPECT_EQ(recorder.waitForExit(5000), 0) << recorder.err();
}

}  // namespace
