// A day file looked back at: export to a tidy CSV and plot, on a generated
// file with an overload, zeroed rows, whole hours (whose time text drops its
// zero parts), a damaged row and a torn last line.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "meter/recording_row.h"
#include "lookback/day_file_reader.h"
#include "lookback/export_csv.h"
#include "runtime/conversions.h"
#include "runtime/date_time.h"
#include "tests/record/recorder_process.h"

namespace {

using meter::ReadoutTexts;
using record::testing::readBytes;

struct Row {
    int hour, minute, second;
    meter::ReadoutTexts readouts;
};

// Rows oldest first, written as the recording does: each new row directly
// below the header.
std::string dayFile(const std::vector<Row>& rows, std::string_view tornTail = {}) {
    std::string body;
    for (const Row& row : rows) {
        const runtime::DateTime when = runtime::MakeDateTime(2026, 3, 9, row.hour, row.minute, row.second);
        body.insert(0, meter::recordingRowText(when, row.readouts));
    }
    return meter::recordingHeader() + body + "\r\n" + std::string(tornTail);
}

std::string offset(int hour) {
    const int seconds = QDateTime(QDate(2026, 3, 9), QTime(hour, 0), Qt::LocalTime).offsetFromUtc();
    const int minutes = std::abs(seconds) / 60;
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d:%02d", seconds < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return text;
}

TEST(Export, TidyRowsOldestFirstWithEmptyCellsForOverload) {
    const meter::ReadoutTexts live{"12.345", "1.2345", "15.240", "10.000", "0.0100", "0.0010", "+25.3"};
    const meter::ReadoutTexts overload{"99.999", "0.0000", "0.0000", "-OVLD-", "0.0100", "0.0010", "-4.0"};
    const meter::ReadoutTexts zeroed{"0", "0", "0", "0", "0.0100", "0.0010", "-4.0"};
    std::string file = dayFile({{0, 0, 0, live}, {14, 59, 59, overload}, {15, 0, 0, live}, {15, 0, 1, zeroed},
                                {15, 1, 0, live}},
                               "\r\n" + runtime::Gbk("2026年3月9日15时2分3秒,12.3"));
    // A damaged row between the others.
    file.insert(meter::kRecordingHeaderBytes, "\r\n12:00:00,garbage");
    lookback::DayFile read = lookback::readDayFile(file);
    lookback::placeRowsInTime(read.rows, runtime::UtcSecondsNow());
    EXPECT_TRUE(read.headerFound);
    EXPECT_EQ(read.skipped, 2);

    const std::string expected =
        "time,voltage_V,current_A,power_W,resistance_ohm,energy_Wh,charge_Ah,temperature_C\n"
        "2026-03-09T00:00:00" + offset(0) + ",12.345,1.2345,15.240,10.000,0.0100,0.0010,25.3\n"
        "2026-03-09T14:59:59" + offset(14) + ",99.999,0.0000,0.0000,,0.0100,0.0010,-4.0\n"
        "2026-03-09T15:00:00" + offset(15) + ",12.345,1.2345,15.240,10.000,0.0100,0.0010,25.3\n"
        "2026-03-09T15:00:01" + offset(15) + ",0,0,0,0,0.0100,0.0010,-4.0\n"
        "2026-03-09T15:01:00" + offset(15) + ",12.345,1.2345,15.240,10.000,0.0100,0.0010,25.3\n";
    EXPECT_EQ(lookback::exportCsv(read.rows), expected);
}

// Two hours of a meter at 1 s, away (zeroed rows) from 0:40 to 1:20.
std::string twoHoursWithAGap() {
    std::vector<Row> rows;
    for (int s = 0; s < 7200; s += 1) {
        const bool away = s >= 2400 && s < 4800;
        const double volts = 12.0 - s / 7200.0;
        const meter::ReadoutTexts live{runtime::NumberToFormattedText(volts, 3), "0.5000", "6.0000", "24.000", "0.0100",
                                "0.0010", "+25.3"};
        const meter::ReadoutTexts zeroed{"0", "0", "0", "0", "0.0100", "0.0010", "+25.3"};
        rows.push_back({s / 3600, s / 60 % 60, s % 60, away ? zeroed : live});
    }
    return dayFile(rows);
}

int reddish(QRgb p) { return qRed(p) > 180 && qGreen(p) < 120 && qBlue(p) < 120; }
int bluish(QRgb p) { return qBlue(p) > 180 && qRed(p) < 120 && qGreen(p) < 120; }

TEST(Plot, DrawsVoltageRedCurrentBlueWithAGapWhereTheMeterWasAway) {
    QTemporaryDir folder;
    const std::string input = folder.filePath("KZRT202639.csv").toStdString();
    std::ofstream(input, std::ios::binary) << twoHoursWithAGap();
    QProcess plot;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_QPA_PLATFORM");  // the program chooses the offscreen platform itself
    environment.remove("DISPLAY");
    plot.setProcessEnvironment(environment);
    for (const char* extension : {"png", "svg"}) {
        const QString output = folder.filePath(QStringLiteral("plot.") + extension);
        plot.start(QStringLiteral(KZRT_RECORD), {"plot", QString::fromStdString(input), "-o", output});
        ASSERT_TRUE(plot.waitForFinished(20000));
        ASSERT_EQ(plot.exitCode(), 0) << plot.readAllStandardError().toStdString();
    }
    const std::string svg = readBytes(folder.filePath("plot.svg").toStdString());
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("#ff0000"), std::string::npos);
    EXPECT_NE(svg.find("#0000ff"), std::string::npos);

    const QImage image(folder.filePath("plot.png"));
    ASSERT_FALSE(image.isNull());
    if (const QByteArray artifacts = qgetenv("KZRT_ARTIFACTS"); !artifacts.isEmpty()) {
        image.save(QString::fromLocal8Bit(artifacts) + QStringLiteral("/record-plot.png"));
    }
    // The plot area runs over the whole file's span, 0:00 to 2:00; the gap
    // covers its middle third.
    const int left = 72, width = image.width() - 144;
    auto columnHas = [&](int x, int (*colour)(QRgb)) {
        for (int y = 36; y < image.height() - 32; ++y) {
            if (colour(image.pixel(x, y))) return true;
        }
        return false;
    };
    int redColumns = 0, blueColumns = 0;
    for (int x = left + width / 20; x < left + width * 3 / 10; ++x) {
        redColumns += columnHas(x, reddish);
        blueColumns += columnHas(x, bluish);
    }
    EXPECT_GT(redColumns, width / 5);
    EXPECT_GT(blueColumns, width / 5);
    for (int x = left + width * 36 / 100; x < left + width * 63 / 100; ++x) {
        EXPECT_FALSE(columnHas(x, reddish) || columnHas(x, bluish)) << "column " << x << " lies in the gap";
    }
}

}  // namespace
