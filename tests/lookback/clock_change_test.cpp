// Day files across the clock changes, exported and plotted by the real
// program under real tzdata zones: the times come out strictly increasing,
// each with the offset in force when its row was taken.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <regex>

#include "meter/recording_row.h"
#include "lookback/day_file_reader.h"
#include "lookback/plot_series.h"
#include "runtime/local_time.h"
#include "tests/lookback/look_back_command.h"
#include "tests/record/recorder_process.h"
#include "tests/runtime/zone_scope.h"

namespace {

using lookback::testing::runKzrtRecord;
using runtime::testing::libcIsoText;
using runtime::testing::ZoneScope;

const meter::ReadoutTexts kLive{"12.345", "1.2345", "15.240", "10.000", "0.0100", "0.0010", "+25.3"};

// The rows a recording takes every `step` seconds over [from, to), as the
// local clock read them, newest first under the header: what a day file
// holds. The instants are returned oldest first.
std::string recordedDayFile(std::int64_t from, std::int64_t to, int step, std::vector<std::int64_t>& instants) {
    std::string body;
    for (std::int64_t t = from; t < to; t += step) {
        const time_t when = static_cast<time_t>(t);
        tm local{};
        localtime_r(&when, &local);
        const runtime::DateTime clock = runtime::MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                                              local.tm_hour, local.tm_min, local.tm_sec);
        body.insert(0, meter::recordingRowText(clock, kLive));
        instants.push_back(t);
    }
    return meter::recordingHeader() + body + "\r\n";
}

std::vector<std::string> exportedTimes(const std::string& csv) {
    std::vector<std::string> times;
    std::size_t start = csv.find('\n') + 1;
    while (start < csv.size()) {
        const std::size_t end = csv.find('\n', start);
        times.push_back(csv.substr(start, csv.find(',', start) - start));
        start = end + 1;
    }
    return times;
}

struct Day {
    const char* zone;
    std::int64_t from, to;  // the recorded stretch, UTC
    const char* what;
};

// Rows every 20 s from 01:58 to 03:58 by the wall clock (Berlin) or the same
// stretch of the night (New York), and stretches that start inside or after
// the repeated hour.
const Day kDays[] = {
    {"Europe/Berlin", runtime::ToWallSeconds(2026, 10, 24, 23, 58, 0), runtime::ToWallSeconds(2026, 10, 25, 2, 58, 20),
     "autumn, 01:58 to 03:58 by the clock"},
    {"Europe/Berlin", runtime::ToWallSeconds(2026, 3, 29, 0, 58, 0), runtime::ToWallSeconds(2026, 3, 29, 1, 58, 20),
     "spring, 01:58 to 03:58 by the clock"},
    {"Europe/Berlin", runtime::ToWallSeconds(2026, 10, 25, 1, 30, 0), runtime::ToWallSeconds(2026, 10, 25, 4, 0, 0),
     "autumn, starting in the second pass of 02:xx"},
    {"Europe/Berlin", runtime::ToWallSeconds(2026, 10, 25, 2, 10, 0), runtime::ToWallSeconds(2026, 10, 25, 5, 0, 0),
     "autumn, starting after the change"},
    {"America/New_York", runtime::ToWallSeconds(2026, 11, 1, 4, 58, 0), runtime::ToWallSeconds(2026, 11, 1, 8, 58, 0),
     "autumn, 00:58 to 03:58 by the clock"},
    {"America/New_York", runtime::ToWallSeconds(2026, 3, 8, 5, 58, 0), runtime::ToWallSeconds(2026, 3, 8, 8, 58, 0),
     "spring, 00:58 to 04:58 by the clock"},
};

class ClockChangeDay : public ::testing::TestWithParam<Day> {};

TEST_P(ClockChangeDay, ExportIsStrictlyIncreasingWithTheOffsetInForce) {
    const Day& day = GetParam();
    std::vector<std::int64_t> instants;
    std::string file;
    {
        ZoneScope scope(day.zone);
        file = recordedDayFile(day.from, day.to, 20, instants);
    }
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("KZRT20261025.csv"));
    std::ofstream(input.toStdString(), std::ios::binary) << file;
    const auto result = runKzrtRecord({"export", input}, QString::fromLatin1(day.zone));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> times = exportedTimes(result.out);
    ASSERT_EQ(times.size(), instants.size());
    ZoneScope scope(day.zone);
    for (std::size_t i = 0; i < times.size(); ++i) {
        ASSERT_EQ(times[i], libcIsoText(instants[i])) << day.what << ", row " << i;
    }
}

TEST_P(ClockChangeDay, ThePlotsTimesAreTheRowsInstants) {
    const Day& day = GetParam();
    ZoneScope scope(day.zone);
    std::vector<std::int64_t> instants;
    lookback::DayFile file = lookback::readDayFile(recordedDayFile(day.from, day.to, 20, instants));
    lookback::placeRowsInTime(file.rows, runtime::UtcSecondsNow());
    const lookback::PlotSeries series = lookback::plotSeries(file.rows);
    ASSERT_EQ(series.times.size(), instants.size());
    for (std::size_t i = 0; i < instants.size(); ++i) {
        ASSERT_EQ(series.times[i], double(instants[i])) << day.what << ", row " << i;
        // Rows 20 s apart are one stretch: no pause drawn at the change.
        if (i > 0) {
            EXPECT_FALSE(series.breakBefore[i]) << day.what << ", row " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, ClockChangeDay, ::testing::ValuesIn(kDays));

TEST(ClockChangePlot, TheTimeAxisReadsTheClockAsItRanThroughTheRepeatedHour) {
    std::vector<std::int64_t> instants;
    std::string file;
    {
        ZoneScope scope("Europe/Berlin");
        file = recordedDayFile(runtime::ToWallSeconds(2026, 10, 24, 23, 58, 0),
                               runtime::ToWallSeconds(2026, 10, 25, 2, 58, 20), 20, instants);
    }
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("KZRT20261025.csv"));
    const QString output = folder.filePath(QStringLiteral("plot.svg"));
    std::ofstream(input.toStdString(), std::ios::binary) << file;
    const auto result = runKzrtRecord({"plot", input, "-o", output}, QStringLiteral("Europe/Berlin"));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string svg = record::testing::readBytes(output.toStdString());
    std::vector<std::string> labels;
    const std::regex label(">\\s*(\\d\\d:\\d\\d)\\s*<");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), label); it != std::sregex_iterator(); ++it) {
        labels.push_back((*it)[1]);
    }
    // Three hours passed: 02:00 to 02:59 twice, in the order they passed.
    const std::vector<std::string> expected{"02:00", "02:30", "02:00", "02:30", "03:00", "03:30"};
    EXPECT_EQ(labels, expected);
}

}  // namespace
