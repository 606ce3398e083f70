#include "lookback/plot_launcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>

namespace lookback {
namespace {

// Beside the recorder (the build tree, the Windows folder), else where the
// package installs it.
QString helperPath() {
    const QDir here(QCoreApplication::applicationDirPath());
    const QString found = QStandardPaths::findExecutable(
        QStringLiteral("kzrt-record-plot"), {here.path(), here.filePath(QStringLiteral("../libexec/kzrt-record"))});
    return found.isEmpty() ? found : QDir::cleanPath(found);
}

}  // namespace

int runPlotHelper(const std::vector<std::string>& arguments) {
    const QString helper = helperPath();
    if (helper.isEmpty()) {
        std::fprintf(stderr, "kzrt-record: plot: the plot helper kzrt-record-plot is not installed beside %s\n",
                     qPrintable(QCoreApplication::applicationDirPath()));
        return 1;
    }
    QStringList list;
    for (const std::string& argument : arguments) list << QString::fromStdString(argument);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(helper, list);
    if (!process.waitForStarted() || !process.waitForFinished(-1)) {
        std::fprintf(stderr, "kzrt-record: plot: %s: %s\n", qPrintable(helper), qPrintable(process.errorString()));
        return 1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 1;
}

}  // namespace lookback
