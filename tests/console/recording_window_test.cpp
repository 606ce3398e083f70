// The recording through the real window: the tick of 时钟2, the record box and
// the seconds box, with the clocks replaced and the program directory in a
// temporary folder.
#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "console/recording_row.h"
#include "console_fixture.h"
#include "platform/qt_text.h"
#include "runtime/conversions.h"
#include "runtime/date_time.h"

using namespace console;
using console::testing::ConsoleFixture;
using console::testing::readFile;
using runtime::Gbk;
using runtime::MakeDateTime;

namespace {

const ReadoutTexts kR1{"1.0000", "0.5000", "0.5000", "2.0000", "0.0001", "0.0001", "+20.1"};
const ReadoutTexts kR2{"-OVLD-", "0.5000", "-OVLD-", "-OVLD-", "0.0002", "0.0002", "+20.2"};
const ReadoutTexts kR3{"3.0000", "0", "0.0000", "-OVLD-", "0.0003", "0.0003", "-5.0"};

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

    void showReadings(const ReadoutTexts& r) {
        form().setText(kVoltageReadout, r.voltage);
        form().setText(kCurrentReadout, r.current);
        form().setText(kPowerReadout, r.power);
        form().setText(kResistanceReadout, r.resistance);
        form().setText(kEnergyReadout, r.energy);
        form().setText(kChargeReadout, r.charge);
        form().setText(kTemperatureReadout, r.temperature);
    }
    // A byte "arrives": the stamp and the monotonic time, as the decoder keeps them.
    void byteArrives() {
        form().setText(kUpdateStamp, runtime::ToText(double(secondsWithinHour(now))));
        window->values().lastByteMonotonicMs = monotonicMs;
    }
    void tick() { form().raise(kRecordingTimer, platform::kTimerFired); }
    void clickRecordBox(int state) {
        form().setChecked(kRecordBox, state);
        form().raise(kRecordBox, platform::kClicked);
    }
    void typeSeconds(const char* text) {
        form().setText(kRecordingSeconds, text);
        form().raise(kRecordingSeconds, platform::kContentChanged);
    }
    QTimer* recordingTimer() { return form().window()->findChild<QTimer*>(QStringLiteral("时钟2")); }
    QString recordBoxTip() { return form().find(kRecordBox)->widget->toolTip(); }
    std::filesystem::path dayFile() const { return dir / "KZRT2015125.csv"; }
    std::string row(int hour, int minute, int second, const ReadoutTexts& r) {
        return recordingRowText(MakeDateTime(2015, 12, 5, hour, minute, second), r);
    }

    runtime::DateTime now = MakeDateTime(2015, 12, 5, 14, 3, 7);
    std::int64_t monotonicMs = 1'000'000;
};

TEST_F(RecordingWindow, TickedBoxCreatesTheDayFileThenInsertsRowsNewestFirst) {
    showReadings(kR1);
    byteArrives();
    clickRecordBox(1);
    tick();
    ASSERT_EQ(readFile(dayFile()), recordingHeader() + "\r\n");
    EXPECT_EQ(std::filesystem::file_size(dayFile()), 79u);

    const struct {
        int hour, minute, second;
        const ReadoutTexts& readings;
    } ticks[] = {{14, 3, 8, kR1}, {14, 4, 0, kR2}, {15, 0, 0, kR3}};
    for (const auto& t : ticks) {
        now = MakeDateTime(2015, 12, 5, t.hour, t.minute, t.second);
        monotonicMs += 1000;
        showReadings(t.readings);
        byteArrives();
        tick();
    }
    EXPECT_EQ(readFile(dayFile()), recordingHeader() + row(15, 0, 0, kR3) + row(14, 4, 0, kR2) +
                                       row(14, 3, 8, kR1) + "\r\n");
    EXPECT_NE(readFile(dayFile()).find(Gbk("14时4分,-OVLD-,V,")), std::string::npos);
    EXPECT_TRUE(recordBoxTip().contains(QString::fromStdString(dayFile().string())));
}

TEST_F(RecordingWindow, UntickedBoxWritesNothing) {
    tick();
    clickRecordBox(1);
    clickRecordBox(0);
    tick();
    EXPECT_FALSE(std::filesystem::exists(dayFile()));
}

TEST_F(RecordingWindow, ANewDayStartsANewFileNamedAfterIt) {
    clickRecordBox(1);
    tick();
    now = MakeDateTime(2015, 12, 6, 0, 0, 0);
    tick();
    tick();
    EXPECT_EQ(readFile(dayFile()), recordingHeader() + "\r\n");
    EXPECT_EQ(readFile(dir / "KZRT2015126.csv"),
              recordingHeader() + recordingRowText(now, {"0", "0", "0", "0", "0", "0", "0"}) + "\r\n");
}

struct SecondsCase {
    const char* text;
    std::int32_t interval;
};

class RecordingSeconds : public RecordingWindow, public ::testing::WithParamInterface<SecondsCase> {};

// Whatever the port and the box, the typed seconds set the tick; 0 stops it,
// and with it both the rows and the staleness check.
TEST_P(RecordingSeconds, SetTheTickWhateverThePortState) {
    typeSeconds(GetParam().text);
    EXPECT_EQ(form().interval(kRecordingTimer), GetParam().interval);
    ASSERT_NE(recordingTimer(), nullptr);
    EXPECT_EQ(recordingTimer()->isActive(), GetParam().interval > 0);
    if (GetParam().interval > 0) EXPECT_EQ(recordingTimer()->interval(), GetParam().interval);
}

INSTANTIATE_TEST_SUITE_P(Texts, RecordingSeconds,
                         ::testing::Values(SecondsCase{"0", 0}, SecondsCase{"abc", 0}, SecondsCase{"1.5", 1000},
                                           SecondsCase{"5", 5000}, SecondsCase{"-3", 0},
                                           SecondsCase{"3000000", INT32_MAX}));

TEST_F(RecordingWindow, ClosedPortBoxChangesOnlyItsOwnStateAndStillRecords) {
    typeSeconds("7");
    form().setText(kRecordingSeconds, "2");  // as the settings load writes it: no event
    ASSERT_NE(form().fillColour(kPortLamp), kLampGreen);

    clickRecordBox(0);
    EXPECT_EQ(form().interval(kRecordingTimer), 7000);
    EXPECT_TRUE(recordingTimer()->isActive());

    clickRecordBox(1);
    EXPECT_EQ(form().interval(kRecordingTimer), 7000);
    tick();
    tick();
    EXPECT_EQ(readFile(dayFile()), recordingHeader() + row(14, 3, 7, {"0", "0", "0", "0", "0", "0", "0"}) + "\r\n");
}

TEST_F(RecordingWindow, OpenPortBoxStartsAndStopsTheTick) {
    form().setFillColour(kPortLamp, kLampGreen);
    form().setText(kRecordingSeconds, "3");
    clickRecordBox(1);
    EXPECT_EQ(form().interval(kRecordingTimer), 3000);
    clickRecordBox(0);
    EXPECT_EQ(form().interval(kRecordingTimer), 0);
    EXPECT_FALSE(recordingTimer()->isActive());
}

struct StaleCase {
    const char* what;
    int silentMs;
    runtime::DateTime wallClockAtTick;
    bool zeroed;
};

void PrintTo(const StaleCase& c, std::ostream* os) { *os << c.what; }

class RecordingStaleness : public RecordingWindow, public ::testing::WithParamInterface<StaleCase> {};

TEST_P(RecordingStaleness, ZeroesTheFourMainReadoutsAfterThreeSilentSeconds) {
    now = MakeDateTime(2015, 12, 5, 12, 59, 58);
    showReadings(kR1);
    byteArrives();
    const runtime::Text stamp = form().text(kUpdateStamp);
    ASSERT_EQ(stamp, "3598");

    now = GetParam().wallClockAtTick;
    monotonicMs += GetParam().silentMs;
    tick();
    const bool zeroed = GetParam().zeroed;
    EXPECT_EQ(form().text(kVoltageReadout), zeroed ? "0" : kR1.voltage) << GetParam().what;
    EXPECT_EQ(form().text(kCurrentReadout), zeroed ? "0" : kR1.current);
    EXPECT_EQ(form().text(kPowerReadout), zeroed ? "0" : kR1.power);
    EXPECT_EQ(form().text(kResistanceReadout), zeroed ? "0" : kR1.resistance);
    // Temperature, energy, charge and the stamp are never touched here.
    EXPECT_EQ(form().text(kTemperatureReadout), kR1.temperature);
    EXPECT_EQ(form().text(kEnergyReadout), kR1.energy);
    EXPECT_EQ(form().text(kChargeReadout), kR1.charge);
    EXPECT_EQ(form().text(kUpdateStamp), stamp);
}

INSTANTIATE_TEST_SUITE_P(
    Silences, RecordingStaleness,
    ::testing::Values(StaleCase{"2 s", 2000, MakeDateTime(2015, 12, 5, 13, 0, 0), false},
                      StaleCase{"3 s, across the hour", 3000, MakeDateTime(2015, 12, 5, 13, 0, 1), true},
                      StaleCase{"ten minutes, across the hour", 600'000, MakeDateTime(2015, 12, 5, 13, 9, 58), true},
                      StaleCase{"2.999 s, across the hour", 2999, MakeDateTime(2015, 12, 5, 13, 0, 1), false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// The row of a tick carries the read-outs after that tick's staleness check.
TEST_F(RecordingWindow, AStaleTickRecordsZeroes) {
    showReadings(kR1);
    byteArrives();
    clickRecordBox(1);
    tick();
    monotonicMs += 3000;
    now = MakeDateTime(2015, 12, 5, 14, 3, 10);
    tick();
    EXPECT_EQ(readFile(dayFile()),
              recordingHeader() +
                  row(14, 3, 10, {"0", "0", "0", "0", kR1.energy, kR1.charge, kR1.temperature}) + "\r\n");
}

TEST_F(RecordingWindow, AFailedCreationIsToldInTheTooltipOnly) {
    runtime::SetModulePath((dir / "missing" / "kzrt-console").string());
    clickRecordBox(1);
    tick();
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    EXPECT_TRUE(recordBoxTip().contains(QStringLiteral("无法在程序目录中创建"))) << recordBoxTip().toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // Once the directory is there the next tick creates the file and the note goes.
    std::filesystem::create_directory(dir / "missing");
    tick();
    EXPECT_TRUE(std::filesystem::exists(dir / "missing" / "KZRT2015125.csv"));
    EXPECT_FALSE(recordBoxTip().contains(QStringLiteral("无法")));
}

TEST_F(RecordingWindow, AHeldFileLosesTheRowAndSaysSo) {
    clickRecordBox(1);
    tick();
    const std::string before = readFile(dayFile());
    {
        // Another open file description holds the lock, as another program would.
        const int holder = ::open(dayFile().c_str(), O_RDWR);
        ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
        tick();
        ::close(holder);
    }
    EXPECT_EQ(readFile(dayFile()), before);
    EXPECT_TRUE(recordBoxTip().contains(QStringLiteral("占用"))) << recordBoxTip().toStdString();
    tick();
    EXPECT_EQ(readFile(dayFile()).size(), before.size() + row(14, 3, 7, {"0", "0", "0", "0", "0", "0", "0"}).size());
}

}  // namespace
