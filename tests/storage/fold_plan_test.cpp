// The fold's rule on contents alone: a day's file that holds nothing of its
// own gets the log's view; one with rows of its own keeps every line and gets
// the log's missing rows at their place by time, each once; one out of order
// keeps everything and the rows go aside.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "storage/fold_plan.h"
#include "tests/storage/timed_rows.h"

namespace storage {
namespace {

using testing::timedDayFile;
using testing::timedRow;
using testing::timedRows;

const std::string kHeader = meter::recordingHeader();

// Rows first..last inserted into `content` by hand (the way another program
// would), newest first above what was there.
std::string withRowsOnTop(const std::string& content, int first, int last) {
    std::string rows;
    for (int n = last; n >= first; --n) rows += timedRow(n);
    return content.substr(0, 77) + rows + content.substr(77);
}

std::string lf(std::string crlf) {
    std::string out;
    for (char c : crlf) {
        if (c != '\r') out += c;
    }
    return out;
}

struct FoldCase {
    const char* what;
    std::string dayFile;
    std::string view;
    FoldPlan::Kind kind;
    std::string content;  // what the plan puts where it goes
    std::size_t rows;
};

class FoldRule : public ::testing::TestWithParam<FoldCase> {};

TEST_P(FoldRule, KeepsEveryRowOfTheFileAndOfTheLog) {
    const FoldCase& c = GetParam();
    const FoldPlan plan = planFold(c.dayFile, c.view);
    EXPECT_EQ(plan.kind, c.kind);
    EXPECT_EQ(plan.content, c.content);
    EXPECT_EQ(plan.rows, c.rows);
}

const std::string kView = dayFileView(timedDayFile(2001, 2005), timedRows(2006, 2009));
const std::string kEvenView = dayFileView("", {timedRow(2002), timedRow(2004), timedRow(2006)});
const std::string kOwnOddRows = timedDayFile(2001, 2001).substr(0, 77) + timedRow(2005) + timedRow(2003) + timedRow(2001) + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, FoldRule,
    ::testing::Values(
        FoldCase{"the view itself", kView, kView, FoldPlan::Kind::kNothing, "", 0},
        FoldCase{"an older version the log published", dayFileView(timedDayFile(2001, 2005), timedRows(2006, 2007)),
                 kView, FoldPlan::Kind::kPublishView, "", 0},
        FoldCase{"what a power cut left: empty", "", kView, FoldPlan::Kind::kPublishView, "", 0},
        FoldCase{"what a power cut left: cut in a row", kView.substr(0, 300), kView, FoldPlan::Kind::kPublishView, "",
                 0},
        FoldCase{"what a power cut left: a sector of zeros",
                 kView.substr(0, 100) + std::string(512, '\0') + kView.substr(612), kView,
                 FoldPlan::Kind::kPublishView, "", 0},
        // A version published after the log's last synced row, torn by the
        // power cut: the rows it kept go back on top of the view.
        FoldCase{"a torn version with rows the torn log lost",
                 [] {
                     const std::string newer = dayFileView(timedDayFile(2001, 2005), timedRows(2006, 2011));
                     return newer.substr(0, newer.size() - 40);
                 }(),
                 kView, FoldPlan::Kind::kPublishView, withRowsOnTop(kView, 2010, 2011), 0},
        // A backup restored over the file whose log waits: every row of the
        // backup stays and none is doubled.
        FoldCase{"a restored backup holding the log's rows", timedDayFile(1, 3000), kView, FoldPlan::Kind::kNothing,
                 "", 0},
        FoldCase{"a restored backup of older rows", timedDayFile(1, 1000), kView, FoldPlan::Kind::kMerge,
                 dayFileView(timedDayFile(1, 1000), timedRows(2001, 2009)), 9},
        FoldCase{"another copy went on recording into it",
                 withRowsOnTop(dayFileView(timedDayFile(2001, 2005), timedRows(2006, 2007)), 2020, 2025), kView,
                 FoldPlan::Kind::kMerge, withRowsOnTop(kView, 2020, 2025), 2},
        FoldCase{"rows of its own between the log's", kOwnOddRows, kEvenView, FoldPlan::Kind::kMerge,
                 timedDayFile(2001, 2006), 3},
        FoldCase{"converted to LF endings by an editor", lf(timedDayFile(1, 3)), kView, FoldPlan::Kind::kMerge,
                 lf(timedDayFile(1, 3)).substr(0, 78) + timedDayFile(2001, 2009).substr(79) +
                     lf(timedDayFile(1, 3)).substr(78),
                 9},
        FoldCase{"sorted oldest first by hand",
                 kHeader + "\r\n" + timedRow(30).substr(2) + "\r\n" + timedRow(31).substr(2) + "\r\n", kView,
                 FoldPlan::Kind::kSetAside, timedDayFile(2001, 2009), 9}),
    [](const ::testing::TestParamInfo<FoldCase>& info) {
        std::string name = info.param.what;
        std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

}  // namespace
}  // namespace storage
