// Spans across day files, through the real kzrt-record: rows joined across
// midnight under one header and cut to the span, missing days and torn rows
// said, two meters' files refused; and the look-back's calls a page makes.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <regex>

#include "lookback/day_file_list.h"
#include "lookback/plot_json.h"
#include "lookback/plot_series.h"
#include "lookback/span_join.h"
#include "lookback/time_span.h"
#include "meter/recording_row.h"
#include "runtime/local_time.h"
#include "tests/lookback/look_back_command.h"
#include "tests/record/recorder_process.h"
#include "tests/runtime/zone_scope.h"

namespace {

namespace fs = std::filesystem;
using lookback::testing::runKzrtRecord;

const QString kZone = QStringLiteral("Europe/Berlin");
const meter::ReadoutTexts kLive{"12.345", "1.2345", "15.240", "10.000", "0.0100", "0.0010", "+25.3"};

// Rows every `step` seconds of one January day, from `first` to `last`
// seconds of the day, newest first under the header.
std::string dayFile(int day, int first, int last, int step, std::string_view tornTail = {}) {
    std::string body;
    for (int s = first; s <= last; s += step) {
        body.insert(0, meter::recordingRowText(runtime::MakeDateTime(2026, 1, day, 0, 0, s), kLive));
    }
    return meter::recordingHeader() + body + "\r\n" + std::string(tornTail);
}

void write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> csvTimes(const std::string& csv) {
    std::vector<std::string> times;
    for (std::size_t start = csv.find('\n') + 1; start < csv.size(); start = csv.find('\n', start) + 1) {
        times.push_back(csv.substr(start, 25));
    }
    return times;
}

class Span : public ::testing::Test {
protected:
    fs::path folder() const { return m_folder.path().toStdString(); }
    QString path(const char* name) const { return m_folder.filePath(QString::fromUtf8(name)); }
    QTemporaryDir m_folder;
};

TEST_F(Span, AcrossMidnightEveryRowOnceInOrderWhicheverWayTheFilesAreNamed) {
    // 22:00 to 24:00 on the 14th, 00:00 to 02:00 on the 15th, every 10 s.
    write(folder() / "KZRT2026114.csv", dayFile(14, 22 * 3600, 86'399, 10));
    write(folder() / "KZRT2026115.csv", dayFile(15, 0, 2 * 3600, 10));
    const QStringList span{"--from", "2026-01-14T23:00", "--to", "2026-01-15T01:00:00+01:00"};
    const auto byDir = runKzrtRecord(QStringList{"export", "--dir", m_folder.path()} + span, kZone);
    const auto byFiles =
        runKzrtRecord(QStringList{"export", path("KZRT2026115.csv"), path("KZRT2026114.csv")} + span, kZone);
    for (const auto* result : {&byDir, &byFiles}) {
        ASSERT_EQ(result->exitCode, 0) << result->err;
        EXPECT_EQ(result->err, "");
        const std::vector<std::string> times = csvTimes(result->out);
        ASSERT_EQ(times.size(), 721u);  // 23:00:00 to 01:00:00 inclusive, every 10 s
        EXPECT_EQ(times.front(), "2026-01-14T23:00:00+01:00");
        EXPECT_EQ(times[359], "2026-01-14T23:59:50+01:00");
        EXPECT_EQ(times[360], "2026-01-15T00:00:00+01:00");
        EXPECT_EQ(times.back(), "2026-01-15T01:00:00+01:00");
        EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
        EXPECT_EQ(std::adjacent_find(times.begin(), times.end()), times.end());
        EXPECT_EQ(result->out.rfind("time,", 0), 0u);
        EXPECT_EQ(result->out.find("time,", 1), std::string::npos) << "one header";
    }
    EXPECT_EQ(byDir.out, byFiles.out);
}

TEST_F(Span, MissingDaysAndTornRowsAreSaidAndNothingIsMadeUp) {
    write(folder() / "KZRT2026112.csv", dayFile(12, 0, 59, 1));
    write(folder() / "KZRT2026115.csv", dayFile(15, 0, 59, 1, "\r\n" + runtime::Gbk("2026年1月15日0时1分0秒,12.3")));
    const auto result = runKzrtRecord({"export", "--dir", m_folder.path(), "--from", "2026-01-12", "--to", "2026-01-15"},
                                      kZone);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("no day file for 2026-01-13 to 2026-01-14"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("KZRT2026115.csv: skipped 1 torn or damaged row(s)"), std::string::npos) << result.err;
    EXPECT_EQ(csvTimes(result.out).size(), 120u);

    // A span that holds no row says so, and gives the header alone.
    const auto empty = runKzrtRecord({"export", "--dir", m_folder.path(), "--from", "2026-01-12T10:00", "--to",
                                      "2026-01-12T11:00"},
                                     kZone);
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.err, "kzrt-record: export: no rows in the span\n");
    EXPECT_EQ(csvTimes(empty.out).size(), 0u);

    // The same gap between files given by name.
    const auto named = runKzrtRecord({"export", path("KZRT2026112.csv"), path("KZRT2026115.csv")}, kZone);
    EXPECT_EQ(named.exitCode, 0);
    EXPECT_NE(named.err.find("no day file given for 2026-01-13 to 2026-01-14"), std::string::npos) << named.err;
}

TEST_F(Span, TwoMetersFilesAreNeverJoined) {
    write(folder() / "cell" / "KZRT2026114.csv", dayFile(14, 0, 59, 1));
    write(folder() / "charger" / "KZRT2026115.csv", dayFile(15, 0, 59, 1));
    write(folder() / "cell" / "copy of KZRT2026114.csv", dayFile(14, 60, 119, 1));
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{"export", path("cell/KZRT2026114.csv"), path("charger/KZRT2026115.csv")}, "two meters' day files"},
        {{"plot", path("cell/KZRT2026114.csv"), path("charger/KZRT2026115.csv"), "-o", path("p.png")},
         "two meters' day files"},
        {{"export", path("cell/KZRT2026114.csv"), path("cell/copy of KZRT2026114.csv")}, "both hold rows of 2026-01-14"},
        {{"export", "--dir", m_folder.path(), "--from", "2026-01-14"}, "its meters' folders are cell, charger"},
    };
    for (const auto& c : cases) {
        const auto result = runKzrtRecord(c.arguments, kZone);
        EXPECT_EQ(result.exitCode, 2) << c.arguments.join(' ').toStdString() << ": " << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(QFile::exists(path("p.png")));
    // The meter's own folder is one meter.
    const auto cell = runKzrtRecord({"export", "--dir", path("cell"), "--from", "2026-01-14", "--to", "2026-01-14"},
                                    kZone);
    EXPECT_EQ(cell.exitCode, 0) << cell.err;
    EXPECT_EQ(csvTimes(cell.out).size(), 60u);
}

TEST_F(Span, BadSpansAreRefusedNamingTheOption) {
    write(folder() / "KZRT2026114.csv", dayFile(14, 0, 59, 1));
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{"--from", "2026-01-15", "--to", "2026-01-14"}, "--from 2026-01-15 is after --to 2026-01-14"},
        {{"--from", "2026-02-30"}, "--from 2026-02-30: not an ISO 8601 date"},
        {{"--from", "2026-01-14T25:00"}, "--from 2026-01-14T25:00: not an ISO 8601"},
        {{"--to", "yesterday"}, "--to yesterday: not an ISO 8601"},
        {{"--from"}, "--from needs a value"},
        {{"--from", "1990-01-01", "--to", "2026-01-14"}, "more than ten years"},
    };
    for (const auto& c : cases) {
        const auto result = runKzrtRecord(QStringList{"export", "--dir", m_folder.path()} + c.arguments, kZone);
        EXPECT_EQ(result.exitCode, 2) << c.arguments.join(' ').toStdString();
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

std::vector<std::string> svgTimeLabels(const std::string& svg) {
    std::vector<std::string> labels;
    const std::regex label(">\\s*((\\d\\d-\\d\\d )?\\d\\d:\\d\\d(:\\d\\d)?)\\s*<");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), label); it != std::sregex_iterator(); ++it) {
        labels.push_back((*it)[1]);
    }
    return labels;
}

TEST_F(Span, ThePlotLabelsItsTimeAxisFromSecondsToDays) {
    write(folder() / "KZRT2026114.csv", dayFile(14, 12 * 3600, 12 * 3600 + 4, 1));  // 5 s
    write(folder() / "KZRT2026115.csv", dayFile(15, 0, 86'399, 60));
    write(folder() / "KZRT2026116.csv", dayFile(16, 0, 86'399, 60));
    const struct {
        QStringList input;
        std::vector<std::string> expected;
    } cases[] = {
        {{path("KZRT2026114.csv")}, {"12:00:00", "12:00:01", "12:00:02", "12:00:03", "12:00:04"}},
        {{"--dir", m_folder.path(), "--from", "2026-01-15T06:00", "--to", "2026-01-15T08:00"},
         {"06:00", "06:15", "06:30", "06:45", "07:00", "07:15", "07:30", "07:45", "08:00"}},
        {{"--dir", m_folder.path(), "--from", "2026-01-15", "--to", "2026-01-16"},
         {"01-15 00:00", "01-15 06:00", "01-15 12:00", "01-15 18:00", "01-16 00:00", "01-16 06:00", "01-16 12:00",
          "01-16 18:00"}},
    };
    for (const auto& c : cases) {
        const QString output = path("plot.svg");
        const auto result = runKzrtRecord(QStringList{"plot"} + c.input + QStringList{"-o", output}, kZone);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(svgTimeLabels(record::testing::readBytes(output.toStdString())), c.expected)
            << c.input.join(' ').toStdString();
    }
}

TEST(SpanEdge, ReadsIsoTimesOnTheLocalClockOrWithTheirOffset) {
    runtime::testing::ZoneScope zone("Europe/Berlin");
    using lookback::SpanEdge;
    const std::int64_t midnight = runtime::ToWallSeconds(2026, 1, 14, 0, 0, 0) - 3600;  // UTC of local midnight
    const struct {
        const char* text;
        SpanEdge edge;
        std::optional<std::int64_t> utc;
    } cases[] = {
        {"2026-01-14", SpanEdge::From, midnight},
        {"2026-01-14", SpanEdge::To, midnight + 86'399},
        {"2026-01-14T14:05", SpanEdge::From, midnight + 14 * 3600 + 300},
        {"2026-01-14 14:05:03", SpanEdge::From, midnight + 14 * 3600 + 303},
        {"2026-01-14T14:05:03Z", SpanEdge::From, midnight + 3600 + 14 * 3600 + 303},
        {"2026-01-14T14:05:03-05:00", SpanEdge::From, midnight + 3600 + 19 * 3600 + 303},
        {"2026-01-14T14:05:03+0530", SpanEdge::From, midnight + 3600 + 14 * 3600 + 303 - 5 * 3600 - 1800},
        // The repeated hour of 25 October: taken whole.
        {"2026-10-25T02:30", SpanEdge::From, runtime::ToWallSeconds(2026, 10, 25, 0, 30, 0)},
        {"2026-10-25T02:30", SpanEdge::To, runtime::ToWallSeconds(2026, 10, 25, 1, 30, 0)},
        {"2026-02-29", SpanEdge::From, std::nullopt},
        {"2026-01-14T24:00", SpanEdge::From, std::nullopt},
        {"2026-01-14T14:05:03+15:00", SpanEdge::From, std::nullopt},
        {"2026-1-14", SpanEdge::From, std::nullopt},
        {"2026-01-14T14", SpanEdge::From, std::nullopt},
        {"2026-01-14x", SpanEdge::From, std::nullopt},
        {"", SpanEdge::From, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(lookback::parseSpanEdge(c.text, c.edge), c.utc) << c.text;
}

TEST(DayFileList, EachMetersDayFilesWithTheirDateRowsAndSize) {
    QTemporaryDir temporary;
    const fs::path folder = temporary.path().toStdString();
    write(folder / "KZRT2026114.csv", dayFile(14, 0, 99, 1));
    write(folder / "KZRT2026115.csv", dayFile(15, 0, 9, 1, "2026"));  // a torn tail is no row
    write(folder / "notes.txt", "not a day file");
    write(folder / "KZRT2026.csv", "too few digits");
    write(folder / "cell" / "KZRT20261231.csv", dayFile(31, 0, 2, 1));
    write(folder / "cell" / "KZRT2026111.csv", "garbage\r\n");
    fs::create_directories(folder / "empty");
    fs::create_symlink("/etc/passwd", folder / "KZRT2026116.csv");
    fs::create_directory_symlink(folder / "cell", folder / "linked");

    const std::vector<lookback::MeterDayFiles> meters = lookback::listMeters(folder.string());
    ASSERT_EQ(meters.size(), 2u);
    EXPECT_EQ(meters[0].meter, "");
    ASSERT_EQ(meters[0].files.size(), 2u);
    EXPECT_EQ(meters[0].files[0].name, "KZRT2026115.csv");
    EXPECT_EQ(meters[0].files[0].date, "2026-01-15");
    EXPECT_EQ(meters[0].files[0].rows, 10);
    EXPECT_EQ(meters[0].files[1].date, "2026-01-14");
    EXPECT_EQ(meters[0].files[1].rows, 100);
    EXPECT_EQ(meters[0].files[1].bytes, std::int64_t(fs::file_size(folder / "KZRT2026114.csv")));
    EXPECT_TRUE(meters[0].files[1].recording);
    EXPECT_EQ(meters[1].meter, "cell");
    ASSERT_EQ(meters[1].files.size(), 2u);
    EXPECT_EQ(meters[1].files[0].date, "2026-01-31");
    EXPECT_EQ(meters[1].files[0].rows, 3);
    EXPECT_FALSE(meters[1].files[1].recording);
    EXPECT_EQ(meters[1].files[1].date, "");
}

TEST(PlotData, GapsWhereTheMeterWasAwayAndABreakAtAPause) {
    runtime::testing::ZoneScope zone("UTC");
    const meter::ReadoutTexts away{"0", "0", "0", "0", "0.0100", "0.0010", "+25.3"};
    const meter::ReadoutTexts overload{"-OVLD-", "1.0000", "0", "0", "0.0100", "0.0010", "+25.3"};
    std::string body;
    for (const auto& [second, readouts] : std::vector<std::pair<int, meter::ReadoutTexts>>{
             {0, kLive}, {1, away}, {2, overload}, {60, kLive}}) {
        body.insert(0, meter::recordingRowText(runtime::MakeDateTime(2026, 1, 14, 0, 0, second), readouts));
    }
    lookback::DayFile file = lookback::readDayFile(meter::recordingHeader() + body + "\r\n");
    lookback::placeRowsInTime(file.rows, runtime::UtcSecondsNow());
    const std::int64_t t0 = runtime::ToWallSeconds(2026, 1, 14, 0, 0, 0);
    const std::string json = lookback::plotJson(lookback::plotSeries(file.rows));
    const std::string t = std::to_string(t0);
    EXPECT_EQ(json, "{\"t\":[" + t + "," + std::to_string(t0 + 1) + "," + std::to_string(t0 + 2) + "," +
                        std::to_string(t0 + 31) + "," + std::to_string(t0 + 60) +
                        "],\"v\":[12.345,null,null,null,12.345],\"a\":[1.2345,null,1,null,1.2345]}");
}

}  // namespace
