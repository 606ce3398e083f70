// `export` and `plot` given files that are not whole day files, through the
// real program: each gets a clear answer and an exit code that tells it.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>
#include <random>

#include "meter/recording_row.h"
#include "runtime/gbk_codec.h"
#include "tests/lookback/look_back_command.h"

namespace {

using lookback::testing::runKzrtRecord;

const meter::ReadoutTexts kLive{"12.345", "1.2345", "15.240", "10.000", "0.0100", "0.0010", "+25.3"};

// `count` rows a second apart from 10:00:00, newest first.
std::string rows(int count) {
    std::string body;
    for (int i = 0; i < count; ++i) {
        body.insert(0, meter::recordingRowText(runtime::MakeDateTime(2026, 3, 9, 10, 0, i), kLive));
    }
    return body;
}

std::string dayFile(int count) { return meter::recordingHeader() + rows(count) + "\r\n"; }

std::string withLfEndings(std::string text) {
    std::string out;
    for (char c : text) {
        if (c != '\r') out += c;
    }
    return out;
}

std::string randomBytes(std::size_t size) {
    std::mt19937 generator(20261025);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = char(generator());
    return bytes;
}

std::string impossibleDates() {
    std::string file = dayFile(3);
    for (const char* time : {"2026年2月29日10时0分0秒", "2026年4月31日", "2026年3月9日24时0分0秒",
                             "2026年3月9日10时60分0秒", "2026年13月1日", "2026年3月9日-1时0分0秒"}) {
        const std::string row = meter::recordingRowText(runtime::MakeDateTime(2026, 3, 9, 9, 0, 0), kLive);
        const std::size_t comma = row.find(',');
        file.insert(meter::kRecordingHeaderBytes, "\r\n" + runtime::Gbk(time) + row.substr(comma));
    }
    return file;
}

struct Case {
    const char* what;
    std::string bytes;
    int exitCode;
    const char* message;  // on stderr; empty: nothing at all
    int rows;             // exported, when the export succeeds
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all{
        {"an empty file", "", 1, "no recording header", 0},
        {"rows without their header", rows(5) + "\r\n", 1, "no recording header", 0},
        {"random bytes", randomBytes(64 * 1024), 1, "not a recording", 0},
        {"a text that is no recording", "time,voltage\n1,2\n", 1, "not a recording", 0},
        {"50 rows with LF line ends", withLfEndings(dayFile(50)), 0, "", 50},
        {"a NUL tail", dayFile(20) + std::string(4096, '\0'), 0, "skipped 1 torn or damaged row(s)", 20},
        {"a 20 MB line", dayFile(7).insert(meter::kRecordingHeaderBytes, "\r\n" + std::string(20 << 20, '7')), 0,
         "skipped 1 torn or damaged row(s)", 7},
        {"a million commas", dayFile(7).insert(meter::kRecordingHeaderBytes, "\r\n" + std::string(1'000'000, ',')),
         0, "skipped 1 torn or damaged row(s)", 7},
        {"impossible dates", impossibleDates(), 0, "skipped 6 torn or damaged row(s)", 3},
        {"a header and no rows", meter::recordingHeader() + "\r\n", 0, "", 0},
    };
    return all;
}

class BadInput : public ::testing::TestWithParam<std::size_t> {
protected:
    QString write(const std::string& bytes) {
        const QString path = m_folder.filePath(QStringLiteral("KZRT202639.csv"));
        std::ofstream(path.toStdString(), std::ios::binary) << bytes;
        return path;
    }
    QTemporaryDir m_folder;
};

void expectAnswer(const Case& c, const lookback::testing::CommandResult& result, const char* command) {
    EXPECT_EQ(result.exitCode, c.exitCode) << command << ", " << c.what << ": " << result.err;
    if (*c.message == '\0') {
        EXPECT_EQ(result.err, "") << command << ", " << c.what;
    } else {
        EXPECT_NE(result.err.find(c.message), std::string::npos) << command << ", " << c.what << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << command << ": " << result.err;
    }
}

TEST_P(BadInput, ExportAnswersClearly) {
    const Case& c = cases()[GetParam()];
    const auto result = runKzrtRecord({"export", write(c.bytes)});
    expectAnswer(c, result, "export");
    if (c.exitCode == 0) {
        EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), c.rows + 1) << c.what;
    } else {
        EXPECT_EQ(result.out, "") << c.what;
    }
}

TEST_P(BadInput, PlotAnswersClearlyAndSaysNothingOfTheMissingRuntimeFolder) {
    const Case& c = cases()[GetParam()];
    const QString output = m_folder.filePath(QStringLiteral("plot.png"));
    const auto result = runKzrtRecord({"plot", write(c.bytes), "-o", output});
    expectAnswer(c, result, "plot");
    EXPECT_EQ(QFile::exists(output), c.exitCode == 0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Files, BadInput, ::testing::Range<std::size_t>(0, 10));

TEST(PlotErrors, AFileThatCannotBeWrittenIsStillSaid) {
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("KZRT202639.csv"));
    std::ofstream(input.toStdString(), std::ios::binary) << dayFile(3);
    const auto result = runKzrtRecord({"plot", input, "-o", folder.filePath(QStringLiteral("no/such/plot.png"))});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot write the PNG file"), std::string::npos) << result.err;
}

}  // namespace
