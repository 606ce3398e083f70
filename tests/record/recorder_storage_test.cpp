// kzrt-record's day file when things go wrong around it, with real processes,
// real kills and a real file system: a crash-left log meeting a changed day
// file, two recorders in one folder, a damaged log, a day file held across
// the stop, a full disk.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <fcntl.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <set>

#include "meter/recording_row.h"
#include "lookback/day_file_reader.h"
#include "runtime/conversions.h"
#include "storage/day_file_view.h"
#include "storage/log_format.h"
#include "tests/record/recorder_process.h"

namespace {

using record::testing::PtyMeter;
using record::testing::Recorder;
using record::testing::readBytes;
using record::testing::steady;
namespace fs = std::filesystem;

// The single day file a run made (runs near midnight are not expected here).
fs::path dayFileIn(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("KZRT") && name.ends_with(".csv") && name.find(".csv.") == std::string::npos) {
            return entry.path();
        }
    }
    return {};
}

// Each line of the day file below the header, as written.
std::vector<std::string> rowLines(const fs::path& dayFile) {
    const std::string content = readBytes(dayFile);
    std::vector<std::string> lines;
    std::size_t at = content.find("\r\n");
    while (at != std::string::npos) {
        const std::size_t end = content.find("\r\n", at + 2);
        if (end == std::string::npos) break;
        lines.push_back(content.substr(at + 2, end - at - 2));
        at = end;
    }
    return lines;
}

void expectNoRowTwice(const std::vector<std::string>& rows) {
    const std::set<std::string> distinct(rows.begin(), rows.end());
    EXPECT_EQ(distinct.size(), rows.size()) << "a row appears twice";
}

QJsonObject summary(const fs::path& path) {
    const QByteArray json = QByteArray::fromStdString(readBytes(path));
    return QJsonDocument::fromJson(json).object().value("meters").toArray().at(0).toObject();
}

// A whole day file of `rows` rows an hour before now, newest first: what a
// backup or another program would put in the recorder's place.
std::string restoredDayFile(int rows) {
    const runtime::DateTime hourAgo = runtime::Now() - 1.0 / 24;
    std::vector<runtime::Text> list;
    for (int n = 0; n < rows; ++n) {
        list.push_back(meter::recordingRowText(hourAgo - (rows - n) / 86400.0,
                                               {"1.0000", "0.1000", "0.1000", "10.000", "0.0001", "0.0001", "25.0"}));
    }
    return storage::dayFileView("", list);
}

class RecorderStorage : public ::testing::Test {
protected:
    RecorderStorage() { fs::create_directories(dir); }
    ~RecorderStorage() override {
        std::error_code error;
        fs::remove_all(dir, error);
    }
    QStringList args(const PtyMeter& meter, int seconds, const char* summaryName = "summary.json") const {
        return {"--dir", QString::fromStdString(dir.string()), "--duration", QString::number(seconds), "--summary",
                QString::fromStdString((dir.parent_path() / (dir.filename().string() + summaryName)).string()),
                QString::fromStdString(meter.slavePath())};
    }
    fs::path summaryPath(const char* summaryName = "summary.json") const {
        return dir.parent_path() / (dir.filename().string() + summaryName);
    }
    // Runs until the day file shows a few rows, then kills it.
    std::vector<std::string> recordAndKill(PtyMeter& meter) {
        Recorder killed;
        killed.start(args(meter, 60));
        for (int wait = 0; wait < 100; ++wait) {
            QThread::msleep(100);
            const fs::path day = dayFileIn(dir);
            if (!day.empty() && rowLines(day).size() >= 3) break;
        }
        killed.signal(SIGKILL);
        EXPECT_EQ(killed.waitForExit(3000), -2);
        const fs::path day = dayFileIn(dir);
        EXPECT_TRUE(fs::exists(storage::recordingLogPath(day))) << "a kill leaves the log";
        return rowLines(day);
    }

    const fs::path dir = fs::temp_directory_path() / ("kzrt-recorder-storage-" + std::to_string(::getpid()) + "-" +
                                                      std::to_string(std::rand()));
};

// Killed, then the day file replaced by a whole one of 1,000 rows (a backup,
// a spreadsheet's save, another program): the next run keeps all 1,000, puts
// in every row the killed run had written, and says what it did.
TEST_F(RecorderStorage, ACrashLeftLogKeepsEveryRowOfAChangedDayFile) {
    PtyMeter meter(steady(3.7, 0.2));
    const std::vector<std::string> beforeKill = recordAndKill(meter);
    ASSERT_GE(beforeKill.size(), 3u);
    const fs::path day = dayFileIn(dir);
    const std::string restored = restoredDayFile(1000);
    std::ofstream(day, std::ios::binary | std::ios::trunc) << restored;

    Recorder again;
    again.start(args(meter, 3));
    ASSERT_EQ(again.waitForExit(10000), 0) << again.err();
    const std::vector<std::string> rows = rowLines(day);
    expectNoRowTwice(rows);
    const std::set<std::string> present(rows.begin(), rows.end());
    std::size_t restoredKept = 0;
    std::size_t at = restored.find("\r\n");
    for (std::size_t end; at != std::string::npos && (end = restored.find("\r\n", at + 2)) != std::string::npos; at = end) {
        restoredKept += present.count(restored.substr(at + 2, end - at - 2));
    }
    EXPECT_EQ(restoredKept, 1000u) << "rows of the restored file were lost";
    for (const std::string& row : beforeKill) EXPECT_TRUE(present.count(row)) << "lost: " << row;
    EXPECT_GE(rows.size(), 1000 + beforeKill.size() + 2);
    EXPECT_NE(again.err().find("kzrt-record:"), std::string::npos);
    EXPECT_NE(again.err().find("had changed since a recording into it was cut short"), std::string::npos)
        << again.err();
    EXPECT_EQ(lookback::readDayFile(readBytes(day)).skipped, 0);
}

// A byte flipped in the killed run's log: the day file keeps every row it
// had, the log is kept aside under a clear name, and the run says so.
TEST_F(RecorderStorage, ADamagedLogIsKeptAsideAndCostsNoRow) {
    PtyMeter meter(steady(3.7, 0.2));
    const std::vector<std::string> beforeKill = recordAndKill(meter);
    ASSERT_GE(beforeKill.size(), 3u);
    const fs::path day = dayFileIn(dir);
    const fs::path log = storage::recordingLogPath(day);
    std::string bytes = readBytes(log);
    // The third record from the start is a row: flip a byte in its text.
    const std::size_t second = bytes.find("KZRL", 1);
    const std::size_t third = bytes.find("KZRL", second + 1);
    ASSERT_NE(third, std::string::npos);
    bytes[third + 20] ^= 0x40;
    std::ofstream(log, std::ios::binary | std::ios::trunc) << bytes;

    Recorder again;
    again.start(args(meter, 3));
    ASSERT_EQ(again.waitForExit(10000), 0) << again.err();
    const std::vector<std::string> rows = rowLines(day);
    const std::set<std::string> present(rows.begin(), rows.end());
    for (const std::string& row : beforeKill) EXPECT_TRUE(present.count(row)) << "lost: " << row;
    expectNoRowTwice(rows);
    fs::path kept = day;
    kept += ".damaged-log";
    EXPECT_TRUE(fs::exists(kept));
    EXPECT_NE(again.err().find("damaged"), std::string::npos) << again.err();
}

// Two recorders started together into one folder: one records, the other is
// refused with a clear message and exit 1, and the day file holds exactly the
// rows the one that recorded counted, each once.
TEST_F(RecorderStorage, TwoRecordersInOneFolderOneRecordsTheOtherIsRefused) {
    PtyMeter left(steady(3.7, 0.2)), right(steady(5.0, 0.5));
    Recorder a, b;
    a.start(args(left, 4, "a.json"));
    b.start(args(right, 4, "b.json"));
    const int exitA = a.waitForExit(12000), exitB = b.waitForExit(12000);
    ASSERT_TRUE((exitA == 0 && exitB == 1) || (exitA == 1 && exitB == 0)) << exitA << " " << exitB << "\n"
                                                                          << a.err() << b.err();
    Recorder& refused = exitA == 1 ? a : b;
    EXPECT_NE(refused.err().find("records into the day file"), std::string::npos) << refused.err();
    const QJsonObject won = summary(summaryPath(exitA == 0 ? "a.json" : "b.json"));
    const QJsonObject lost = summary(summaryPath(exitA == 1 ? "a.json" : "b.json"));
    const std::vector<std::string> rows = rowLines(dayFileIn(dir));
    expectNoRowTwice(rows);
    EXPECT_EQ(qint64(rows.size()), won.value("rows").toInteger());
    EXPECT_EQ(lost.value("rows").toInteger(), 0);
    EXPECT_GE(lost.value("rows_failed").toInteger(), 1);
    EXPECT_EQ(lost.value("stopped_by").toString(), QStringLiteral("in-use"));
    const std::string volts = exitA == 0 ? "3.7000" : "5.0000";
    for (const lookback::DayRow& row : lookback::readDayFile(readBytes(dayFileIn(dir))).rows) {
        if (!row.zeroed()) {
            EXPECT_EQ(row.values[0], volts);
        }
    }
}

// Another program holds the day file locked across the stop (flock -x): the
// run tries again for a moment, and finishes the file once it is let go.
// Held for longer, the run says that its last rows wait in the hidden log,
// counts them, and exits 1; the next run puts them in.
TEST_F(RecorderStorage, ADayFileHeldAcrossTheStopIsFinishedLaterAndSaid) {
    PtyMeter meter(steady(3.7, 0.2));
    for (const bool letGo : {true, false}) {
        SCOPED_TRACE(letGo ? "let go after a second" : "held on");
        Recorder recorder;
        recorder.start(args(meter, 4));
        for (int wait = 0; wait < 100 && dayFileIn(dir).empty(); ++wait) QThread::msleep(100);
        const fs::path day = dayFileIn(dir);
        ASSERT_FALSE(day.empty());
        QThread::msleep(1500);
        const int holder = ::open(day.c_str(), O_RDONLY);
        ASSERT_GE(holder, 0);
        ASSERT_EQ(flock(holder, LOCK_EX), 0);
        QThread::msleep(letGo ? 3000 : 6000);
        ::close(holder);
        const int code = recorder.waitForExit(10000);
        const QJsonObject result = summary(summaryPath());
        if (letGo) {
            EXPECT_EQ(code, 0) << recorder.err();
            EXPECT_EQ(result.value("rows_waiting").toInteger(), 0);
            EXPECT_NE(recorder.err().find("completed"), std::string::npos) << recorder.err();
            EXPECT_EQ(qint64(rowLines(day).size()), result.value("rows").toInteger());
        } else {
            EXPECT_EQ(code, 1) << recorder.err();
            EXPECT_GE(result.value("rows_waiting").toInteger(), 1);
            EXPECT_NE(recorder.err().find("wait in the hidden log"), std::string::npos) << recorder.err();
            EXPECT_TRUE(fs::exists(storage::recordingLogPath(day)));
        }
        fs::remove(summaryPath());
    }
    // The next run folds the waiting rows in and leaves no log.
    Recorder next;
    next.start(args(meter, 2));
    ASSERT_EQ(next.waitForExit(8000), 0) << next.err();
    EXPECT_FALSE(fs::exists(storage::recordingLogPath(dayFileIn(dir))));
    expectNoRowTwice(rowLines(dayFileIn(dir)));
}

// A small file system filled up in the middle of a run, then freed: every
// row reaches the day file, and the counts say exactly that.
TEST_F(RecorderStorage, AFullDiskThatIsFreedCostsNoRowAndCountsTruly) {
    if (::mount("kzrt-full", dir.c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    }
    PtyMeter meter(steady(3.7, 0.2));
    Recorder recorder;
    recorder.start(args(meter, 9));
    QThread::msleep(2500);
    const fs::path filler = dir / "filler";
    {
        std::ofstream fill(filler, std::ios::binary);
        const std::string block(4096, 'x');
        while (fill.write(block.data(), block.size()) && fill.flush()) {
        }
    }
    QThread::msleep(3000);
    fs::remove(filler);
    const int code = recorder.waitForExit(15000);
    const QJsonObject result = summary(summaryPath());
    const std::vector<std::string> rows = rowLines(dayFileIn(dir));
    ::umount2(dir.c_str(), MNT_DETACH);
    EXPECT_EQ(code, 0) << recorder.err();
    EXPECT_NE(recorder.err().find("write-failed"), std::string::npos) << "the disk never filled: " << recorder.err();
    EXPECT_EQ(qint64(rows.size()), result.value("rows").toInteger());
    EXPECT_EQ(result.value("rows_failed").toInteger(), 0);
    EXPECT_EQ(result.value("rows_waiting").toInteger(), 0);
    EXPECT_GE(rows.size(), 8u);
    expectNoRowTwice(rows);
}

}  // namespace
