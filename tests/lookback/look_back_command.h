#pragma once
// `kzrt-record export` and `plot` run as users run them: the real program,
// its exit code and what it printed, in a chosen tzdata zone.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <string>

namespace lookback::testing {

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline CommandResult runKzrtRecord(const QStringList& arguments, const QString& zone = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!zone.isEmpty()) environment.insert(QStringLiteral("TZ"), zone);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));  // the plot chooses its platform itself
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));  // as on a headless server
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KZRT_RECORD), arguments);
    CommandResult result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        result.err = "timed out";
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

}  // namespace lookback::testing
