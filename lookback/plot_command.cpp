#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "lookback/span_arguments.h"
#include "lookback/plot_output.h"
#include "lookback/plot_platform.h"
#include "lookback/recording_plot.h"

namespace lookback {
namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 600;

bool endsWith(const std::string& text, const char* suffix) {
    const std::string s(suffix);
    return text.size() >= s.size() && std::equal(s.rbegin(), s.rend(), text.rbegin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

}  // namespace

int runPlot(int argc, char** argv) {
    // Drawing text needs a GUI application, on a platform that needs no display.
    choosePlotPlatform();
    QGuiApplication application(argc, argv);
    // File names as Qt reads them from the system (UTF-16 on Windows), in UTF-8.
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments().mid(1)) arguments.push_back(argument.toStdString());
    SpanRequest request;
    const bool parsed = parseSpanRequest("plot", arguments, request);
    if (!parsed || request.output.empty() || !(endsWith(request.output, ".png") || endsWith(request.output, ".svg"))) {
        std::fprintf(stderr, "kzrt-record: plot: usage: kzrt-record plot FILE.csv... | --dir DIR [--from T] [--to T] "
                             "-o OUT.png|OUT.svg\n");
        return 2;
    }
    int exitCode = 0;
    const std::optional<std::vector<DayRow>> rows = loadRequestedRows("plot", request, exitCode);
    if (!rows) return exitCode;
    const PlotSeries series = plotSeries(*rows);
    const std::string title = requestTitle(request, *rows);
    const std::string& output = request.output;

    std::string error;
    if (endsWith(output, ".svg")) {
        error = writeSvg(output, kWidth, kHeight,
                         [&](QPainter& p) { drawRecording(p, QRectF(0, 0, kWidth, kHeight), series, title); });
    } else {
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        QPainter painter(&image);
        drawRecording(painter, QRectF(0, 0, kWidth, kHeight), series, title);
        painter.end();
        if (!image.save(QString::fromStdString(output), "PNG")) error = "cannot write the PNG file";
    }
    if (!error.empty()) {
        std::fprintf(stderr, "kzrt-record: plot: %s: %s\n", output.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace lookback
