// The recording file's texts and the tick's decisions, without widgets.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "console/recording_row.h"
#include "runtime/files.h"

namespace console {
namespace {

using runtime::Gbk;
using runtime::MakeDateTime;

TEST(RecordingHeader, IsTheSeventySevenGbkBytesOfTheColumnNames) {
    const std::string header = recordingHeader();
    EXPECT_EQ(header.size(), kRecordingHeaderBytes);
    EXPECT_EQ(header, Gbk("时间(H:M:S),电压(V),,电流(A),,功率(W),,电阻(R),,瓦时(Wh),,安时(Ah),,温度(℃),"));
    // ℃ is the two GBK bytes A1 E6, just before the trailing ")," .
    EXPECT_EQ(header.substr(73), "\xA1\xE6),");
}

const ReadoutTexts kReadings{"12.345", "1.234", "15.234", "10.004", "0.1234", "0.0456", "+25.3"};

TEST(RecordingRow, StartsWithALineEndAndCarriesEachValueBeforeItsUnit) {
    EXPECT_EQ(recordingRowText(MakeDateTime(2015, 12, 5, 14, 3, 7), kReadings),
              Gbk("\r\n2015年12月5日14时3分7秒,12.345,V,1.234,A,15.234,W,10.004,R,"
                  "0.1234,Wh,0.0456,Ah,+25.3,℃"));
}

TEST(RecordingRow, CarriesOverloadAndResetTextsAsDisplayed) {
    const ReadoutTexts overloaded{"-OVLD-", "0", "-OVLD-", "-OVLD-", "0", "0", "-5.0"};
    const std::string row = recordingRowText(MakeDateTime(2015, 12, 5, 14, 3, 7), overloaded);
    const std::string date = Gbk("\r\n2015年12月5日14时3分7秒,");
    ASSERT_EQ(row.substr(0, date.size()), date);
    EXPECT_EQ(row.substr(date.size()), Gbk("-OVLD-,V,0,A,-OVLD-,W,-OVLD-,R,0,Wh,0,Ah,-5.0,℃"));
}

struct TimeFieldCase {
    int hour, minute, second;
    const char* field;  // UTF-8
};

class RecordingRowTimeField : public ::testing::TestWithParam<TimeFieldCase> {};

// The time drops its zero tail and is never padded, whatever the header says.
TEST_P(RecordingRowTimeField, DropsTrailingZeroParts) {
    const TimeFieldCase& c = GetParam();
    const std::string row = recordingRowText(MakeDateTime(2015, 12, 5, c.hour, c.minute, c.second), kReadings);
    EXPECT_EQ(row, Gbk(std::string("\r\n") + c.field +
                       ",12.345,V,1.234,A,15.234,W,10.004,R,0.1234,Wh,0.0456,Ah,+25.3,℃"));
}

INSTANTIATE_TEST_SUITE_P(Times, RecordingRowTimeField,
                         ::testing::Values(TimeFieldCase{14, 3, 7, "2015年12月5日14时3分7秒"},
                                           TimeFieldCase{14, 3, 0, "2015年12月5日14时3分"},
                                           TimeFieldCase{14, 0, 0, "2015年12月5日14时"},
                                           TimeFieldCase{0, 0, 0, "2015年12月5日"},
                                           TimeFieldCase{0, 0, 9, "2015年12月5日0时0分9秒"}));

struct FileNameCase {
    int year, month, day;
    const char* name;
};

class RecordingFileName : public ::testing::TestWithParam<FileNameCase> {};

TEST_P(RecordingFileName, JoinsYearMonthAndDayWithoutPadding) {
    const FileNameCase& c = GetParam();
    // Late in the day, so a date that rounded into the next day would show.
    const runtime::DateTime when = MakeDateTime(c.year, c.month, c.day, 23, 59, 59);
    EXPECT_EQ(recordingFileName(when), c.name);
    EXPECT_EQ(recordingFilePath("/opt/meter", when), std::string("/opt/meter") +
                                                         std::string(runtime::PathSeparator()) + c.name);
}

INSTANTIATE_TEST_SUITE_P(Days, RecordingFileName,
                         ::testing::Values(FileNameCase{2015, 12, 5, "KZRT2015125.csv"},
                                           FileNameCase{2015, 11, 25, "KZRT20151125.csv"},
                                           FileNameCase{2015, 1, 11, "KZRT2015111.csv"},
                                           FileNameCase{2015, 11, 1, "KZRT2015111.csv"},
                                           FileNameCase{2016, 2, 29, "KZRT2016229.csv"}));

TEST(RecordingFilePath, KeepsAGbkDirectoryByteForByte) {
    const std::string directory = Gbk("/数据/电表");
    EXPECT_EQ(recordingFilePath(directory, MakeDateTime(2015, 12, 5)),
              directory + std::string(runtime::PathSeparator()) + "KZRT2015125.csv");
}

struct IntervalCase {
    const char* secondsText;  // UTF-8
    std::int32_t milliseconds;
};

class RecordingInterval : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(RecordingInterval, IsTheLeadingWholeNumberOfSecondsInMilliseconds) {
    EXPECT_EQ(recordingIntervalMs(Gbk(GetParam().secondsText)), GetParam().milliseconds);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RecordingInterval,
    ::testing::Values(IntervalCase{"1", 1000}, IntervalCase{"60", 60000}, IntervalCase{"1.5", 1000},
                      IntervalCase{" 7s", 7000}, IntervalCase{"１２", 12000},  // full-width digits fold
                      IntervalCase{"0", 0}, IntervalCase{"abc", 0}, IntervalCase{"", 0},
                      // Largest count that fits, then the first that does not.
                      IntervalCase{"2147483", 2147483000}, IntervalCase{"2147484", INT32_MAX},
                      IntervalCase{"4294968", INT32_MAX},  // low 32 bits would have been 704
                      IntervalCase{"99999999999999", INT32_MAX},
                      // Negative counts stop the tick; none wraps to a positive interval.
                      IntervalCase{"-1", 0}, IntervalCase{"-2147484", 0}, IntervalCase{"-4294967", 0}));

TEST(SecondsWithinHour, CountsMinutesAndSecondsOfTheLocalTime) {
    EXPECT_EQ(secondsWithinHour(MakeDateTime(2015, 12, 5, 14, 12, 34)), 754);
    EXPECT_EQ(secondsWithinHour(MakeDateTime(2015, 12, 5, 14, 59, 59)), 3599);
    EXPECT_EQ(secondsWithinHour(MakeDateTime(2015, 12, 5, 15, 0, 0)), 0);
}

struct StaleCase {
    const char* what;
    std::optional<std::int64_t> lastByteMs;
    std::int64_t nowMs;
    const char* stamp;
    int minute, second;  // wall clock at the tick
    bool stale;
};

void PrintTo(const StaleCase& c, std::ostream* os) { *os << c.what; }

class ReadoutStaleness : public ::testing::TestWithParam<StaleCase> {};

TEST_P(ReadoutStaleness, Decides) {
    const StaleCase& c = GetParam();
    EXPECT_EQ(readoutsStale(c.lastByteMs, c.nowMs, c.stamp, MakeDateTime(2015, 12, 5, 13, c.minute, c.second)),
              c.stale)
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadoutStaleness,
    ::testing::Values(
        // With the monotonic time of the last byte: 3 s or more is stale.
        StaleCase{"2 s after the last byte", 50'000, 52'000, "100", 1, 42, false},
        StaleCase{"just under 3 s", 50'000, 52'999, "100", 1, 42, false},
        StaleCase{"3 s after the last byte", 50'000, 53'000, "100", 1, 43, true},
        StaleCase{"silent since 59:58, clock at 00:01", 50'000, 53'000, "3598", 0, 1, true},
        StaleCase{"silent for an hour and a second", 50'000, 3'651'000, "100", 1, 41, true},
        StaleCase{"wall clock set forward, meter live", 50'000, 51'000, "100", 30, 0, false},
        StaleCase{"wall clock set back, meter silent", 50'000, 60'000, "100", 0, 0, true},
        // No byte since start-up: the minute-and-second rule of the stamp.
        StaleCase{"no byte, stamp 100, s 102", std::nullopt, 0, "100", 1, 42, false},
        StaleCase{"no byte, stamp 100, s 103", std::nullopt, 0, "100", 1, 43, true},
        StaleCase{"no byte, empty stamp, s 2", std::nullopt, 0, "", 0, 2, false},
        StaleCase{"no byte, empty stamp, s 3", std::nullopt, 0, "", 0, 3, true},
        StaleCase{"no byte, stamp 3598, s 1", std::nullopt, 0, "3598", 0, 1, false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

}  // namespace
}  // namespace console
