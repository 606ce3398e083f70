// The tick of 时钟2, the record box and the seconds box through the real window,
// with the clocks replaced and the program directory in a temporary folder.
#include <QApplication>
#include <QTimer>

#include "storage/day_file_session.h"
#include "meter/recording_row.h"
#include "console_fixture.h"
#include "runtime/conversions.h"
#include "runtime/date_time.h"
#include "runtime/file_numbers.h"
#include "storage/log_format.h"

using namespace console;
using console::testing::ConsoleFixture;
using console::testing::readFile;
using runtime::MakeDateTime;

namespace {

const meter::ReadoutTexts kR1{"1.0000", "0.5000", "0.5000", "2.0000", "0.0001", "0.0001", "+20.1"};
const meter::ReadoutTexts kR2{"-OVLD-", "0.5000", "-OVLD-", "-OVLD-", "0.0002", "0.0002", "+20.2"};
const meter::ReadoutTexts kR3{"3.0000", "0", "0.0000", "-OVLD-", "0.0003", "0.0003", "-5.0"};
const meter::ReadoutTexts kStartUp{"0", "0", "0", "0", "0", "0", "0"};

class RecordingWindow : public ConsoleFixture {
protected:
    RecordingWindow() {
        runtime::SetClockForTesting([this] { return now; });
        runtime::SetMonotonicClockForTesting([this] { return monotonicMs; });
        startWindow();
    }
    ~RecordingWindow() override {
        runtime::SetClockForTesting({});
        runtime::SetMonotonicClockForTesting({});
    }

    // A frame arrives: the read-outs, the update stamp and the time of the last byte, as the decoder keeps them.
    void readingsArrive(const meter::ReadoutTexts& r) {
        form().setText(kVoltageReadout, r.voltage);
        form().setText(kCurrentReadout, r.current);
        form().setText(kPowerReadout, r.power);
        form().setText(kResistanceReadout, r.resistance);
        form().setText(kEnergyReadout, r.energy);
        form().setText(kChargeReadout, r.charge);
        form().setText(kTemperatureReadout, r.temperature);
        form().setText(kUpdateStamp, runtime::ToText(double(meter::secondsWithinHour(now))));
        window->values().lastByteMonotonicMs = monotonicMs;
    }
    void tick() {
        form().raise(kRecordingTimer, platform::kTimerFired);
        settleRecording();
    }
    void clickRecordBox(int state) {
        form().setChecked(kRecordBox, state);
        form().raise(kRecordBox, platform::kClicked);
        settleRecording();
    }
    void typeSeconds(const char* text) {
        form().setText(kRecordingSeconds, text);
        form().raise(kRecordingSeconds, platform::kContentChanged);
    }
    QTimer* recordingTimer() { return form().window()->findChild<QTimer*>(QStringLiteral("时钟2")); }
    QString recordBoxTip() { return form().toolTip(kRecordBox); }
    std::filesystem::path dayFile() const { return dir / "KZRT2015125.csv"; }
    std::string headerAnd(const std::string& rows) const { return meter::recordingHeader() + rows + "\r\n"; }

    runtime::DateTime now = MakeDateTime(2015, 12, 5, 14, 3, 7);
    std::int64_t monotonicMs = 1'000'000;
};

TEST_F(RecordingWindow, TickedBoxCreatesTheDayFileThenInsertsRowsNewestFirst) {
    readingsArrive(kR1);
    clickRecordBox(1);
    tick();
    ASSERT_EQ(readFile(dayFile()), headerAnd(""));
    EXPECT_EQ(std::filesystem::file_size(dayFile()), 79u);

    const struct {
        int hour, minute, second;
        const meter::ReadoutTexts& readings;
    } ticks[] = {{14, 3, 8, kR1}, {14, 4, 0, kR2}, {15, 0, 0, kR3}};
    std::string rows;
    for (const auto& t : ticks) {
        now = MakeDateTime(2015, 12, 5, t.hour, t.minute, t.second);
        monotonicMs += 1000;
        readingsArrive(t.readings);
        tick();
        rows.insert(0, recordingRowText(now, t.readings));
    }
    EXPECT_EQ(readFile(dayFile()), headerAnd(rows));
    EXPECT_NE(readFile(dayFile()).find(runtime::Gbk("14时4分,-OVLD-,V,")), std::string::npos);
    EXPECT_TRUE(recordBoxTip().contains(QString::fromStdString(dayFile().string())));

    // A new day starts a new file named after it; the old one is left alone,
    // made durable, and its log removed: the folder holds only day files.
    EXPECT_TRUE(std::filesystem::exists(storage::recordingLogPath(dayFile())));
    now = MakeDateTime(2015, 12, 6, 0, 0, 0);
    tick();
    tick();
    EXPECT_EQ(readFile(dayFile()), headerAnd(rows));
    EXPECT_FALSE(std::filesystem::exists(storage::recordingLogPath(dayFile())));
    EXPECT_EQ(readFile(dir / "KZRT2015126.csv"), headerAnd(recordingRowText(now, kR3)));
}

// Whatever the port and the box, the typed seconds set the tick; 0 stops it,
// and with it both the rows and the staleness check.
TEST_F(RecordingWindow, TypedSecondsSetTheTickWhateverThePortState) {
    const struct {
        const char* text;
        std::int32_t interval;
    } cases[] = {{"1.5", 1000}, {"0", 0}, {"3000000", INT32_MAX}, {"abc", 0}};
    ASSERT_NE(recordingTimer(), nullptr);
    for (const auto& c : cases) {
        typeSeconds(c.text);
        EXPECT_EQ(form().interval(kRecordingTimer), c.interval) << c.text;
        EXPECT_EQ(recordingTimer()->isActive() ? recordingTimer()->interval() : 0, c.interval) << c.text;
    }
}

// With the port closed the box changes only its own state: the tick keeps its
// interval and still records. With the port open the box starts and stops it.
TEST_F(RecordingWindow, OnlyAnOpenPortLetsTheBoxStartAndStopTheTick) {
    typeSeconds("7");
    form().setText(kRecordingSeconds, "2");  // as the settings load writes it: no event
    ASSERT_NE(form().fillColour(kPortLamp), kLampGreen);
    clickRecordBox(1);
    clickRecordBox(0);
    EXPECT_EQ(form().interval(kRecordingTimer), 7000);
    EXPECT_TRUE(recordingTimer()->isActive());
    tick();
    EXPECT_FALSE(std::filesystem::exists(dayFile()));

    clickRecordBox(1);
    EXPECT_EQ(form().interval(kRecordingTimer), 7000);
    tick();
    tick();
    EXPECT_EQ(readFile(dayFile()), headerAnd(recordingRowText(now, kStartUp)));

    form().setFillColour(kPortLamp, kLampGreen);
    clickRecordBox(0);
    EXPECT_FALSE(recordingTimer()->isActive());
    clickRecordBox(1);
    EXPECT_EQ(form().interval(kRecordingTimer), 2000);
}

// Across the hour the stamp's minutes and seconds would call the meter live;
// the monotonic time of the last byte decides. The row comes after the check.
TEST_F(RecordingWindow, AStaleTickZeroesTheFourLiveReadoutsBeforeItsRow) {
    console::testing::writeFile(dayFile(), headerAnd(""));
    clickRecordBox(1);
    std::string rows;
    for (const int silentMs : {2999, 3000}) {
        now = MakeDateTime(2015, 12, 5, 12, 59, 58);
        readingsArrive(kR1);
        now = MakeDateTime(2015, 12, 5, 13, 0, 1);
        monotonicMs += silentMs;
        tick();
        // Energy, charge, temperature and the stamp are never touched here.
        const meter::ReadoutTexts zeroed{"0", "0", "0", "0", kR1.energy, kR1.charge, kR1.temperature};
        rows.insert(0, recordingRowText(now, silentMs >= 3000 ? zeroed : kR1));
        EXPECT_EQ(readFile(dayFile()), headerAnd(rows)) << silentMs << " ms";
        EXPECT_EQ(form().text(kUpdateStamp), "3598");
    }
}

// A program directory that takes no files (an installed program) sends the day
// files to the working directory; the tooltip names the file and says why.
TEST_F(RecordingWindow, RowsGoToTheWorkingDirectoryWhenTheProgramDirectoryTakesNoFiles) {
    std::filesystem::create_directory(dir / "program");
    const struct {
        std::filesystem::path programDirectory;
        std::filesystem::path dayFile;
        bool toldWhy;
    } cases[] = {
        {dir / "program", dir / "program" / "KZRT2015125.csv", false},
        {"/proc", dir / "KZRT2015125.csv", true},
    };
    for (const auto& c : cases) {
        runtime::SetModulePath(c.programDirectory / "kzrt-console");
        clickRecordBox(1);
        const QString tip = recordBoxTip();
        EXPECT_TRUE(tip.contains(QString::fromStdString(c.dayFile.string()))) << tip.toStdString();
        EXPECT_EQ(tip.contains(QStringLiteral("The program folder is not writable")), c.toldWhy) << tip.toStdString();
        tick();
        tick();
        EXPECT_EQ(readFile(c.dayFile), headerAnd(recordingRowText(now, kStartUp))) << c.dayFile;
        clickRecordBox(0);
    }
}

// A failed step is told in the record box's tooltip only, and a tick after the
// cause has gone records again.
TEST_F(RecordingWindow, AFailedStepIsToldInTheTooltipOnly) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows does not let a process's working directory be deleted";
#endif
    // Neither the program directory (a read-only mount) nor the working
    // directory (deleted under the program) takes the file.
    runtime::SetModulePath("/proc/kzrt-console");
    std::filesystem::create_directory(dir / "gone");
    std::filesystem::current_path(dir / "gone");
    std::filesystem::remove(dir / "gone");
    clickRecordBox(1);
    tick();
    EXPECT_TRUE(recordBoxTip().contains(QStringLiteral("./KZRT2015125.csv\n"))) << recordBoxTip().toStdString();
    EXPECT_TRUE(recordBoxTip().contains(QStringLiteral("could not be created in this folder"))) << recordBoxTip().toStdString();

    // The tick that should have created the file has passed: the tick that
    // does create it keeps its row.
    std::filesystem::current_path(dir);
    tick();
    const std::filesystem::path file = dayFile();
    const std::string row = recordingRowText(now, kStartUp);
    ASSERT_EQ(readFile(file), headerAnd(row));
    EXPECT_FALSE(recordBoxTip().contains(QStringLiteral("could not"))) << recordBoxTip().toStdString();
    {
        // Another file number is another holder, just as another program would be.
        const int holder = runtime::OpenFile(file, 3, 4);
        ASSERT_NE(holder, 0);
        tick();
        runtime::CloseFile(holder);
    }
    EXPECT_EQ(readFile(file), headerAnd(row));
    EXPECT_TRUE(recordBoxTip().contains(QStringLiteral("Another program holds this file"))) << recordBoxTip().toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // The held tick's row waited in the log and comes with the next one.
    tick();
    EXPECT_EQ(readFile(file), headerAnd(row + row + row));
    EXPECT_FALSE(recordBoxTip().contains(QStringLiteral("Another program"))) << recordBoxTip().toStdString();
    // Stopping makes the file durable and takes its log away.
    EXPECT_TRUE(std::filesystem::exists(storage::recordingLogPath(file)));
    clickRecordBox(0);
    EXPECT_FALSE(std::filesystem::exists(storage::recordingLogPath(file)));
    EXPECT_EQ(readFile(file), headerAnd(row + row + row));
}

// The folder a recording writes to stays where it is for the day: a program
// folder that is gone for a moment costs the rows of that moment a wait, not
// the rest of the day in the working folder.
TEST_F(RecordingWindow, AFailedTickDoesNotMoveTheRecordingFolder) {
    std::filesystem::create_directory(dir / "program");
    runtime::SetModulePath(dir / "program" / "kzrt-console");
    clickRecordBox(1);
    tick();
    tick();
    std::filesystem::rename(dir / "program", dir / "away");
    tick();
    tick();
    EXPECT_TRUE(recordBoxTip().contains(QStringLiteral("kept and written once it can be"))) << recordBoxTip().toStdString();
    std::filesystem::rename(dir / "away", dir / "program");
    tick();
    EXPECT_FALSE(std::filesystem::exists(dayFile()));
    const std::string row = recordingRowText(now, kStartUp);
    EXPECT_EQ(readFile(dir / "program" / "KZRT2015125.csv"), headerAnd(row + row + row + row));
    clickRecordBox(0);
}

// A crash left a log, and the day file was replaced meanwhile (a backup, a
// spreadsheet's save): recording start keeps every row of both and says so.
TEST_F(RecordingWindow, ALeftLogGoesIntoAChangedDayFileAtItsPlace) {
    const std::string older = recordingRowText(now - 60.0 / 86400, kR2);
    const std::string logged = recordingRowText(now - 30.0 / 86400, kR1);
    console::testing::writeFile(dayFile(), headerAnd(older));
    console::testing::writeFile(storage::recordingLogPath(dayFile()),
                                storage::EncodeLogBase("KZRT2015125.csv", "") + storage::EncodeLogRow(logged));
    clickRecordBox(1);
    tick();
    const std::string row = recordingRowText(now, kStartUp);
    EXPECT_EQ(readFile(dayFile()), headerAnd(row + logged + older));
    EXPECT_TRUE(recordBoxTip().contains(QStringLiteral("KZRT2015125.csv had changed since a recording into it was cut "
                                                       "short: the 1 rows")))
        << recordBoxTip().toStdString();
    clickRecordBox(0);
}

// Another copy of the console records into the day's file: this one writes
// nothing to it, says so, and writes its rows once the other has stopped.
TEST_F(RecordingWindow, ASecondCopyWaitsWithItsRowsAndSaysSo) {
    const std::unique_ptr<storage::FileSystem> otherCopy = storage::NativeFileSystem();
    storage::DayFileSession other(*otherCopy, dayFile());
    const std::string theirs = recordingRowText(now - 10.0 / 86400, kR1);
    ASSERT_EQ(other.record({theirs, theirs}), storage::RecordingStep::FileCreated);
    clickRecordBox(1);
    tick();
    tick();
    EXPECT_EQ(readFile(dayFile()), headerAnd(theirs));
    EXPECT_TRUE(recordBoxTip().contains(QStringLiteral("Another copy of the console"))) << recordBoxTip().toStdString();
    ASSERT_TRUE(other.finish());
    tick();
    const std::string row = recordingRowText(now, kStartUp);
    EXPECT_EQ(readFile(dayFile()), headerAnd(row + row + row + theirs));
    EXPECT_FALSE(recordBoxTip().contains(QStringLiteral("Another copy"))) << recordBoxTip().toStdString();
    EXPECT_EQ(window->values().rowsWritten, 3u);
    clickRecordBox(0);
}

// A log that a crash left is folded in when recording starts, even days
// later; another file's log is never applied, and the tooltip says so.
TEST_F(RecordingWindow, RecordingStartFoldsInALeftLogAndReportsAForeignOne) {
    const std::string earlier = headerAnd(recordingRowText(now, kR1));
    console::testing::writeFile(dir / "KZRT2015121.csv", headerAnd(""));
    console::testing::writeFile(storage::recordingLogPath(dir / "KZRT2015121.csv"),
                                storage::EncodeLogBase("KZRT2015121.csv", "") +
                                    storage::EncodeLogRow(recordingRowText(now, kR1)));
    console::testing::writeFile(storage::recordingLogPath(dir / "KZRT2015122.csv"),
                                storage::EncodeLogBase("KZRT2015123.csv", "") + storage::EncodeLogRow("x"));
    clickRecordBox(1);
    tick();
    EXPECT_EQ(readFile(dir / "KZRT2015121.csv"), earlier);
    EXPECT_FALSE(std::filesystem::exists(storage::recordingLogPath(dir / "KZRT2015121.csv")));
    EXPECT_FALSE(std::filesystem::exists(dir / "KZRT2015122.csv"));
    EXPECT_FALSE(std::filesystem::exists(dir / "KZRT2015123.csv"));
    EXPECT_TRUE(recordBoxTip().contains(QStringLiteral(".KZRT2015122.csv.kzrt-log belongs to another file")))
        << recordBoxTip().toStdString();
}

}  // namespace
