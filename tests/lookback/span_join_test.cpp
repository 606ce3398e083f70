// The look-back's calls on real folders, with no Qt: what a server calls and
// what the command line is built on, also run under wine for Windows paths
// (a meter's folder named in Chinese, UTF-8 all the way to the file system).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "lookback/day_file_list.h"
#include "lookback/export_csv.h"
#include "lookback/span_join.h"
#include "lookback/time_span.h"
#include "lookback/utf8_path.h"
#include "meter/recording_row.h"
#include "runtime/local_time.h"

namespace {

namespace fs = std::filesystem;

const meter::ReadoutTexts kLive{"12.345", "1.2345", "15.240", "10.000", "0.0100", "0.0010", "+25.3"};

std::string dayFile(int day, int first, int last, int step) {
    std::string body;
    for (int s = first; s <= last; s += step) {
        body.insert(0, meter::recordingRowText(runtime::MakeDateTime(2026, 1, day, 0, 0, s), kLive));
    }
    return meter::recordingHeader() + body + "\r\n";
}

class Folder : public ::testing::Test {
protected:
    Folder() {
        std::mt19937_64 random{std::random_device{}()};
        m_root = fs::temp_directory_path() / ("kzrt-lookback-" + std::to_string(random()));
        fs::create_directories(m_root);
    }
    ~Folder() override {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }
    // A path below the root, from UTF-8.
    std::string path(const std::string& relative) const { return lookback::utf8Text(m_root / lookback::utf8Path(relative)); }
    void write(const std::string& relative, const std::string& bytes) const {
        const fs::path file = lookback::utf8Path(path(relative));
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }
    fs::path m_root;
};

lookback::TimeSpan span(const char* from, const char* to) {
    lookback::TimeSpan result;
    EXPECT_EQ(lookback::parseTimeSpan(from, to, result), "");
    return result;
}

TEST_F(Folder, ANamedMetersSpanAcrossMidnightIsEveryRowOnceInOrder) {
    write("电池/KZRT2026114.csv", dayFile(14, 23 * 3600, 86'399, 1));
    write("电池/KZRT2026115.csv", dayFile(15, 0, 3600, 1));
    const lookback::SpanRows read =
        lookback::readFolderSpan(path("电池"), span("2026-01-14T23:30", "2026-01-15T00:30"), runtime::UtcSecondsNow());
    ASSERT_EQ(read.failure, lookback::SpanFailure::None) << read.error;
    EXPECT_TRUE(read.notes.empty());
    ASSERT_EQ(read.rows.size(), 3601u);
    EXPECT_EQ(runtime::IsoText(read.rows.front().time).substr(0, 19), "2026-01-14T23:30:00");
    EXPECT_EQ(runtime::IsoText(read.rows.back().time).substr(0, 19), "2026-01-15T00:30:00");
    for (std::size_t i = 1; i < read.rows.size(); ++i) {
        ASSERT_EQ(read.rows[i].time.utcSeconds, read.rows[i - 1].time.utcSeconds + 1) << i;
    }
    const std::string csv = lookback::exportCsv(read.rows);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3602);

    const std::vector<lookback::MeterDayFiles> meters = lookback::listMeters(lookback::utf8Text(m_root));
    ASSERT_EQ(meters.size(), 1u);
    EXPECT_EQ(meters[0].meter, "电池");
    ASSERT_EQ(meters[0].files.size(), 2u);
    EXPECT_EQ(meters[0].files[0].date, "2026-01-15");
    EXPECT_EQ(meters[0].files[0].rows, 3601);
}

TEST_F(Folder, FilesOfTwoFoldersOrOfOneDayTwiceAreNotJoined) {
    write("a/KZRT2026114.csv", dayFile(14, 0, 9, 1));
    write("b/KZRT2026115.csv", dayFile(15, 0, 9, 1));
    write("a/KZRT2026114 (copy).csv", dayFile(14, 10, 19, 1));
    const std::int64_t now = runtime::UtcSecondsNow();
    const lookback::SpanRows twoFolders =
        lookback::joinDayFiles({path("a/KZRT2026114.csv"), path("b/KZRT2026115.csv")}, {}, now);
    EXPECT_EQ(twoFolders.failure, lookback::SpanFailure::NotJoinable);
    EXPECT_TRUE(twoFolders.rows.empty());
    const lookback::SpanRows sameDay =
        lookback::joinDayFiles({path("a/KZRT2026114.csv"), path("a/KZRT2026114 (copy).csv")}, {}, now);
    EXPECT_EQ(sameDay.failure, lookback::SpanFailure::NotJoinable);
    EXPECT_NE(sameDay.error.find("both hold rows of 2026-01-14"), std::string::npos) << sameDay.error;
    // One file named twice is read once.
    const lookback::SpanRows twice =
        lookback::joinDayFiles({path("a/KZRT2026114.csv"), path("a/../a/KZRT2026114.csv")}, {}, now);
    EXPECT_EQ(twice.failure, lookback::SpanFailure::None) << twice.error;
    EXPECT_EQ(twice.rows.size(), 10u);
}

TEST_F(Folder, TwoDatesThatShareAFileNameEachTakeTheirOwnRows) {
    // 11 January and 1 November both write KZRT2026111.csv.
    std::string body;
    for (int month : {1, 11}) {
        for (int s = 0; s < 5; ++s) {
            body.insert(0, meter::recordingRowText(runtime::MakeDateTime(2026, month, month == 1 ? 11 : 1, 12, 0, s),
                                                   kLive));
        }
    }
    write("KZRT2026111.csv", meter::recordingHeader() + body + "\r\n");
    const std::int64_t now = runtime::ToWallSeconds(2026, 12, 1, 0, 0, 0);
    const lookback::SpanRows january = lookback::readFolderSpan(path(""), span("2026-01-11", "2026-01-11"), now);
    ASSERT_EQ(january.rows.size(), 5u);
    EXPECT_EQ(january.rows.front().month, 1);
    const lookback::SpanRows both = lookback::readFolderSpan(path(""), span("2026-01-11", "2026-11-01"), now);
    ASSERT_EQ(both.rows.size(), 10u);
    EXPECT_EQ(both.rows.back().month, 11);
    ASSERT_EQ(both.notes.size(), 1u);
    EXPECT_NE(both.notes[0].find("no day file for 2026-01-12 to 2026-10-31"), std::string::npos) << both.notes[0];
}

}  // namespace
