// kzrt-record as a process against meters on pseudo-terminals: several
// meters, the capacity test, signals, a device missing at start.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>

#include "lookback/day_file_reader.h"
#include "runtime/conversions.h"
#include "tests/record/recorder_process.h"

namespace {

using record::testing::PtyMeter;
using record::testing::Recorder;
using record::testing::readBytes;
using record::testing::steady;
namespace fs = std::filesystem;

// The one day file in a folder (a run near midnight may make two: both read).
lookback::DayFile dayFiles(const fs::path& folder) {
    lookback::DayFile all;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".csv") continue;
        lookback::DayFile file = lookback::readDayFile(readBytes(entry.path()));
        all.skipped += file.skipped;
        all.headerFound = file.headerFound;
        all.rows.insert(all.rows.end(), file.rows.begin(), file.rows.end());
    }
    return all;
}

// Waits until the folder's day files are as `done` wants them. A sanitizer
// build starts and runs several times slower, so tests wait for what they
// need instead of for a fixed time.
bool waitForDayFiles(const fs::path& folder, const std::function<bool(const lookback::DayFile&)>& done,
                     int ms = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (fs::is_directory(folder) && done(dayFiles(folder))) return true;
        QThread::msleep(50);
    }
    return false;
}

QJsonObject firstSummary(const fs::path& path) {
    const QByteArray json = QByteArray::fromStdString(readBytes(path));
    return QJsonDocument::fromJson(json).object().value("meters").toArray().at(0).toObject();
}

TEST(Recorder, TwoMetersOnTwoPortsKeepTheirOwnRows) {
    PtyMeter left(steady(12.0, 1.0)), right(steady(5.0, 0.5));
    Recorder recorder;
    recorder.start({"--duration", "3", "left=" + QString::fromStdString(left.slavePath()),
                    "right=" + QString::fromStdString(right.slavePath())});
    ASSERT_EQ(recorder.waitForExit(8000), 0) << recorder.err();
    const std::pair<const char*, const char*> expected[] = {{"left", "12.000"}, {"right", "5.0000"}};
    for (const auto& [name, volts] : expected) {
        const lookback::DayFile file = dayFiles(recorder.folder() / name);
        EXPECT_TRUE(file.headerFound);
        EXPECT_EQ(file.skipped, 0);
        EXPECT_EQ(file.rows.size(), 3u) << name;
        int live = 0;
        for (const lookback::DayRow& row : file.rows) {
            if (row.zeroed()) continue;
            EXPECT_EQ(row.values[0], volts) << name;
            ++live;
        }
        EXPECT_GE(live, 2) << name;
    }
    EXPECT_NE(recorder.err().find("start left port="), std::string::npos) << recorder.err();
}

// The volts in the newest row, or empty.
std::string lastVolts(const lookback::DayFile& file) {
    return file.rows.empty() ? std::string() : file.rows.back().values[0];
}

// Rows at the end of the file below `volts`.
int trailingRowsBelow(const lookback::DayFile& file, double volts) {
    int count = 0;
    for (auto row = file.rows.rbegin(); row != file.rows.rend() && runtime::ToFloat(row->values[0]) < volts; ++row) {
        ++count;
    }
    return count;
}

TEST(Recorder, CapacityTestStopsAtTheHoldAndItsTotalsAreTheRowsIntegration) {
    std::atomic<double> volts{12.0};
    PtyMeter battery([&volts](double) { return meter_sim::MeterSample{volts.load(), 0.75, 25.0}; });
    Recorder recorder;
    recorder.start({"--stop-below", "10", "--hold", "3", "--summary", "summary.json",
                    "cell=" + QString::fromStdString(battery.slavePath())});
    // 12 V, a dip to 8 V shorter than the hold (one row seen low), 12 V
    // again, then 8 V for good. Each step waits for the rows, not the clock.
    const fs::path cell = recorder.folder() / "cell";
    const auto newest = [&cell](const char* text) {
        return waitForDayFiles(cell, [text](const lookback::DayFile& f) { return lastVolts(f) == text; });
    };
    ASSERT_TRUE(newest("12.000")) << recorder.err();
    volts = 8.0;
    ASSERT_TRUE(newest("8.0000")) << recorder.err();
    volts = 12.0;
    ASSERT_TRUE(newest("12.000")) << recorder.err();
    volts = 8.0;
    ASSERT_EQ(recorder.waitForExit(30000), 0) << recorder.err();
    const QJsonObject summary = firstSummary(recorder.folder() / "summary.json");
    EXPECT_EQ(summary.value("stopped_by").toString(), "cutoff");
    const lookback::DayFile file = dayFiles(cell);
    // The short dip did not stop it; the last low stretch did, after the hold.
    const int seconds = summary.value("duration_s").toInt();
    const int low = trailingRowsBelow(file, 10.0);
    EXPECT_GE(low, 3);
    EXPECT_LE(low, 4);
    const auto dip = std::count_if(file.rows.begin(), file.rows.end() - low, [](const lookback::DayRow& row) {
        return !row.zeroed() && runtime::ToFloat(row.values[0]) < 10.0;
    });
    EXPECT_GE(dip, 1);
    EXPECT_LT(dip, 3);
    EXPECT_DOUBLE_EQ(summary.value("min_V").toDouble(), 8.0);
    EXPECT_DOUBLE_EQ(summary.value("max_A").toDouble(), 0.75);

    ASSERT_EQ(file.rows.size(), std::size_t(seconds));
    EXPECT_EQ(summary.value("rows").toInt(), seconds);
    // The integration reads each second's read-outs in single precision.
    double wattSeconds = 0.0, ampereSeconds = 0.0;
    for (const lookback::DayRow& row : file.rows) {
        const double volts = runtime::ToFloat(row.values[0]), amps = runtime::ToFloat(row.values[1]);
        wattSeconds += volts * amps;
        ampereSeconds += amps;
    }
    EXPECT_NEAR(summary.value("energy_Wh").toDouble(), wattSeconds / 3600.0, 1e-12);
    EXPECT_NEAR(summary.value("charge_Ah").toDouble(), ampereSeconds / 3600.0, 1e-12);
    EXPECT_EQ(file.rows.back().values[4], runtime::NumberToFormattedText(wattSeconds / 3600.0, 4));
}

TEST(Recorder, SigtermFinishesTheRowAndExitsZeroWithinASecond) {
    PtyMeter meter(steady(3.7, 0.2));
    Recorder recorder;
    recorder.start({QString::fromStdString(meter.slavePath())});
    ASSERT_TRUE(waitForDayFiles(recorder.folder(), [](const lookback::DayFile& f) { return f.rows.size() >= 2; }))
        << recorder.err();
    recorder.signal(SIGTERM);
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(recorder.waitForExit(3000), 0) << recorder.err();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_NE(recorder.out().find("stopped_by=signal"), std::string::npos) << recorder.out();
    const lookback::DayFile file = dayFiles(recorder.folder());
    EXPECT_EQ(file.skipped, 0);
    EXPECT_GE(file.rows.size(), 2u);
}

TEST(Recorder, KillNineLeavesAWholeDayFile) {
    PtyMeter meter(steady(3.7, 0.2));
    Recorder recorder;
    recorder.start({QString::fromStdString(meter.slavePath())});
    QThread::msleep(2500);
    recorder.signal(SIGKILL);
    EXPECT_EQ(recorder.waitForExit(3000), -2);
    const lookback::DayFile file = dayFiles(recorder.folder());
    EXPECT_TRUE(file.headerFound);
    EXPECT_EQ(file.skipped, 0);
    EXPECT_GE(file.rows.size(), 1u);
}

TEST(Recorder, DeviceMissingAtStartIsWaitedForOrRefused) {
    PtyMeter meter(steady(12.0, 1.0));
    Recorder refused;
    refused.start({"--no-wait", "/nonexistent/ttyUSB9"});
    EXPECT_EQ(refused.waitForExit(3000), 2);

    Recorder recorder;
    const fs::path link = recorder.folder() / "meter-link";
    recorder.start({"--duration", "4", "--dir", "rows", QString::fromStdString(link.string())});
    QThread::msleep(1200);
    fs::create_symlink(meter.slavePath(), link);
    ASSERT_EQ(recorder.waitForExit(8000), 0) << recorder.err();
    const std::string log = recorder.err();
    EXPECT_EQ(log.find("waiting"), log.rfind("waiting")) << "said once: " << log;
    EXPECT_NE(log.find("waiting"), std::string::npos) << log;
    EXPECT_NE(log.find("start "), std::string::npos) << log;
    const lookback::DayFile file = dayFiles(recorder.folder() / "rows");
    ASSERT_FALSE(file.rows.empty());
    EXPECT_EQ(file.rows.back().values[0], "12.000");
}

TEST(Recorder, ADeviceThatGoesAndComesBackIsLoggedAndReadAgain) {
    auto first = std::make_unique<PtyMeter>(steady(12.0, 1.0));
    Recorder recorder;
    const fs::path link = recorder.folder() / "adapter";
    fs::create_symlink(first->slavePath(), link);
    recorder.start({"--duration", "6", "--summary", "summary.json", "cell=" + QString::fromStdString(link.string())});
    ASSERT_TRUE(waitForDayFiles(recorder.folder() / "cell", [](const lookback::DayFile& f) {
        return !f.rows.empty() && f.rows.back().values[0] == "12.000";
    })) << recorder.err();
    first.reset();  // unplugged
    QThread::msleep(500);
    PtyMeter second(steady(5.0, 0.5));  // plugged in again, under the same name
    fs::remove(link);
    fs::create_symlink(second.slavePath(), link);
    ASSERT_EQ(recorder.waitForExit(10000), 0) << recorder.err();
    const std::string log = recorder.err();
    EXPECT_NE(log.find("kzrt-record: lost cell"), std::string::npos) << log;
    EXPECT_NE(log.find("kzrt-record: back cell"), std::string::npos) << log;
    const QJsonObject summary = firstSummary(recorder.folder() / "summary.json");
    EXPECT_EQ(summary.value("device_losses").toInt(), 1);
    EXPECT_EQ(summary.value("device_returns").toInt(), 1);
    const lookback::DayFile file = dayFiles(recorder.folder() / "cell");
    ASSERT_FALSE(file.rows.empty());
    EXPECT_EQ(file.rows.front().values[0], "12.000");
    EXPECT_EQ(file.rows.back().values[0], "5.0000");
}

TEST(Recorder, AFolderThatCannotBeWrittenExitsOne) {
    Recorder recorder;
    recorder.start({"--dir", "/proc/kzrt-record", "1"});
    EXPECT_EQ(recorder.waitForExit(3000), 1);
    EXPECT_NE(recorder.err().find("/proc/kzrt-record"), std::string::npos) << recorder.err();
}

}  // namespace
