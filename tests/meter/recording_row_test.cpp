// The recording file's texts and the tick's decisions, without widgets.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "meter/recording_row.h"
#include "runtime/file_numbers.h"

namespace meter {
namespace {

using runtime::Gbk;
using runtime::MakeDateTime;

TEST(RecordingHeader, IsTheSeventySevenGbkBytesOfTheColumnNames) {
    const std::string header = meter::recordingHeader();
    EXPECT_EQ(header.size(), meter::kRecordingHeaderBytes);
    EXPECT_EQ(header, Gbk("时间(H:M:S),电压(V),,电流(A),,功率(W),,电阻(R),,瓦时(Wh),,安时(Ah),,温度(℃),"));
    // ℃ is the two GBK bytes A1 E6, just before the trailing ")," .
    EXPECT_EQ(header.substr(73), "\xA1\xE6),");
}

// A row starts with its line end, and its time drops the zero tail, never padded.
TEST(RecordingRow, DropsTrailingZeroPartsOfTheTime) {
    const struct {
        int hour, minute, second;
        const char* field;  // UTF-8, after the date
    } cases[] = {{14, 3, 7, "14时3分7秒"}, {14, 3, 0, "14时3分"}, {14, 0, 0, "14时"}, {0, 0, 0, ""}, {0, 0, 9, "0时0分9秒"}};
    const ReadoutTexts readings{"12.345", "1.234", "15.234", "10.004", "0.1234", "0.0456", "+25.3"};
    for (const auto& c : cases) {
        EXPECT_EQ(meter::recordingRowText(MakeDateTime(2015, 12, 5, c.hour, c.minute, c.second), readings),
                  Gbk(std::string("\r\n2015年12月5日") + c.field +
                      ",12.345,V,1.234,A,15.234,W,10.004,R,0.1234,Wh,0.0456,Ah,+25.3,℃"));
    }
}

TEST(RecordingFileName, JoinsYearMonthAndDayWithoutPadding) {
    const struct {
        int month, day;
        const char* name;
    } cases[] = {{12, 5, "KZRT2015125.csv"}, {11, 25, "KZRT20151125.csv"}, {1, 11, "KZRT2015111.csv"},
                 {11, 1, "KZRT2015111.csv"}};
    const runtime::Path directory(u8"/数据/电表");  // kept as the system named it
    for (const auto& c : cases) {
        // Late in the day, so a date that rounded into the next day would show.
        const runtime::DateTime when = MakeDateTime(2015, c.month, c.day, 23, 59, 59);
        EXPECT_EQ(meter::recordingFileName(when), c.name);
        EXPECT_EQ(meter::recordingFilePath(directory, when).native(), (directory / c.name).native());
    }
}

TEST(RecordingInterval, IsTheLeadingWholeNumberOfSecondsInMilliseconds) {
    const struct {
        const char* secondsText;
        std::int32_t milliseconds;
    } cases[] = {
        {"1.5", 1000}, {"0", 0}, {"abc", 0},
        // Largest count that fits, then the first that does not.
        {"2147483", 2147483000}, {"2147484", INT32_MAX},
        {"4294968", INT32_MAX},  // low 32 bits would have been 704
        // Negative counts stop the tick; none wraps to a positive interval.
        {"-1", 0}, {"-2147484", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(meter::recordingIntervalMs(c.secondsText), c.milliseconds) << c.secondsText;
}

TEST(ReadoutStaleness, DecidesByTheMonotonicTimeOrElseTheStamp) {
    const struct {
        const char* what;
        std::optional<std::int64_t> lastByteMs;
        std::int64_t nowMs;
        const char* stamp;
        int minute, second;  // wall clock at the tick
        bool stale;
    } cases[] = {
        // With the monotonic time of the last byte: 3 s or more is stale.
        {"just under 3 s", 50'000, 52'999, "100", 1, 42, false},
        {"3 s after the last byte", 50'000, 53'000, "100", 1, 43, true},
        {"silent since 59:58, clock at 00:01", 50'000, 53'000, "3598", 0, 1, true},
        {"wall clock set forward, meter live", 50'000, 51'000, "100", 30, 0, false},
        // No byte since start-up: the minute-and-second rule of the stamp.
        {"no byte, stamp 100, s 102", std::nullopt, 0, "100", 1, 42, false},
        {"no byte, stamp 100, s 103", std::nullopt, 0, "100", 1, 43, true},
        {"no byte, empty stamp, s 3", std::nullopt, 0, "", 0, 3, true},
        {"no byte, stamp 3598, s 1", std::nullopt, 0, "3598", 0, 1, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(meter::readoutsStale(c.lastByteMs, c.nowMs, c.stamp, MakeDateTime(2015, 12, 5, 13, c.minute, c.second)),
                  c.stale)
            << c.what;
    }
}

}  // namespace
}  // namespace meter
