// kzrt-record's web options as users give them: on the command line and in
// the config file, with a password file, beside /metrics on one port.
#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>

#include "tests/publish/local_programs.h"
#include "tests/record/recorder_process.h"
#include "tests/web/raw_client.h"

namespace {

using namespace std::chrono_literals;
using record::testing::PtyMeter;
using record::testing::Recorder;
using web::testing::get;
using web::testing::statusOf;

void writeFile(const std::filesystem::path& path, const std::string& text) {
    QFile file(QString::fromStdString(path.string()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.c_str());
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(RecorderWeb, OptionsThatCannotWorkExitTwoWithTheReason) {
    struct Case {
        QStringList arguments;
        std::string said;
    };
    const int port = publish::testing::freePort();
    const std::vector<Case> cases = {
        {{"--web", "http://x"}, "--web: web address"},
        {{"--web", "70000"}, "the port must be a number 0 to 65535"},
        {{"--web-password-file", "/nonexistent"}, "--web-password-file: needs --web"},
        {{"--web", "0", "--web-password-file", "/nonexistent/pw"}, "--web-password-file: /nonexistent/pw"},
        {{"--web", QStringLiteral("127.0.0.1:%1").arg(port), "--metrics", QStringLiteral("0.0.0.0:%1").arg(port)},
         "on two addresses"},
    };
    for (const Case& c : cases) {
        Recorder recorder;
        recorder.start(c.arguments + QStringList{"/nonexistent/ttyUSB9"});
        EXPECT_EQ(recorder.waitForExit(5000), 2) << c.said;
        EXPECT_NE(recorder.err().find(c.said), std::string::npos) << recorder.err();
    }
}

TEST(RecorderWeb, APasswordFileGuardsThePageAndIsNeverShown) {
    PtyMeter meter(record::testing::steady(12.0, 1.0));
    const int port = publish::testing::freePort();
    Recorder recorder;
    writeFile(recorder.folder() / "pw", "horse battery\n");
    writeFile(recorder.folder() / "record.conf",
              "web = 0.0.0.0:" + std::to_string(port) + "\nweb-password-file = pw\nmeter = " + meter.slavePath() + "\n");
    recorder.start({"--config", "record.conf", "--duration", "3", "--summary", "summary.json"});
    ASSERT_TRUE(publish::testing::waitUntil([&] { return publish::testing::portOpen(port); }, 5s)) << recorder.err();
    EXPECT_EQ(statusOf(get(port, "/")), 401);
    const std::string right = "Authorization: Basic " + QByteArray("me:horse battery").toBase64().toStdString() + "\r\n";
    EXPECT_EQ(statusOf(get(port, "/live.json", right)), 200);
    ASSERT_EQ(recorder.waitForExit(8000), 0) << recorder.err();
    EXPECT_EQ(recorder.err().find("web-open"), std::string::npos) << "a password was given";
    for (const std::string& said : {recorder.out(), recorder.err(),
                                    record::testing::readBytes(recorder.folder() / "summary.json")}) {
        EXPECT_EQ(said.find("horse"), std::string::npos) << said;
    }
}

TEST(RecorderWeb, AnOpenPageOnTheNetworkIsWarnedAboutOnce) {
    PtyMeter meter(record::testing::steady(12.0, 1.0));
    const int port = publish::testing::freePort();
    Recorder recorder;
    recorder.start({"--web", QStringLiteral("0.0.0.0:%1").arg(port), "--duration", "2",
                    QString::fromStdString(meter.slavePath())});
    ASSERT_EQ(recorder.waitForExit(8000), 0) << recorder.err();
    EXPECT_EQ(countOf(recorder.err(), "web-open"), 1u) << recorder.err();
    EXPECT_EQ(countOf(recorder.err(), "\n"), countOf(recorder.err(), "kzrt-record: ")) << "one line each";
}

TEST(RecorderWeb, MetricsAndThePageShareOnePortWithoutThePasswordForMetrics) {
    PtyMeter meter(record::testing::steady(12.0, 1.0));
    const int port = publish::testing::freePort();
    Recorder recorder;
    writeFile(recorder.folder() / "pw", "pw1");
    recorder.start({"--web", QString::number(port), "--metrics", QString::number(port), "--web-password-file", "pw",
                    "bench=" + QString::fromStdString(meter.slavePath())});
    ASSERT_TRUE(publish::testing::waitUntil([&] { return publish::testing::portOpen(port); }, 5s)) << recorder.err();
    std::string metrics;
    publish::testing::waitUntil([&] {
        metrics = get(port, "/metrics");
        return metrics.find("kzrt_voltage_volts{meter=\"bench\"} 12") != std::string::npos;
    }, 5s);
    EXPECT_EQ(statusOf(metrics), 200);
    EXPECT_NE(metrics.find("kzrt_voltage_volts{meter=\"bench\"} 12"), std::string::npos) << metrics;
    EXPECT_EQ(statusOf(get(port, "/live.json")), 401);
    recorder.signal(SIGTERM);
    EXPECT_EQ(recorder.waitForExit(5000), 0) << recorder.err();
}

}  // namespace
