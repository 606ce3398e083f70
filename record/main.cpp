// kzrt-record: the meter's readings recorded without a window, and a look
// back at a recording (export, plot).
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <string>
#include <vector>

#include "record/command_line.h"
#include "lookback/export_csv.h"
#include "record/recorder_app.h"
#include "lookback/plot_launcher.h"

namespace {

int runRecording(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kzrt-record"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KZRT_VERSION));
    const record::CommandLine line = record::parseCommandLine(QCoreApplication::arguments());
    if (!line.options) {
        std::fputs(line.message.c_str(), line.exitCode == 0 ? stdout : stderr);
        if (line.exitCode != 0) std::fputc('\n', stderr);
        return line.exitCode;
    }
    record::RecorderApp recorder(*line.options);
    int exitCode = 0;
    QObject::connect(&recorder, &record::RecorderApp::finished, &application, [&exitCode](int code) {
        exitCode = code;
        QCoreApplication::quit();
    });
    if (const int code = recorder.start(); code != 0) return code;
    application.exec();
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "export" || command == "plot") {
        // File names as Qt reads them from the system (UTF-16 on Windows), in UTF-8.
        QCoreApplication application(argc, argv);
        std::vector<std::string> arguments;
        for (const QString& argument : QCoreApplication::arguments().mid(2)) {
            arguments.push_back(argument.toStdString());
        }
        return command == "export" ? lookback::runExport(arguments) : lookback::runPlotHelper(arguments);
    }
    return runRecording(argc, argv);
}
