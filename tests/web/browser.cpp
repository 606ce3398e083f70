#include "tests/web/browser.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

namespace web::testing {

Browser::Browser() {
    m_process.setProgram(QStringLiteral("node"));
    m_process.setArguments({QStringLiteral(KZRT_CDP_DRIVER)});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    m_ready = m_process.waitForStarted(10000) && call(QJsonObject{}, std::chrono::seconds(60)).toString() == "ready";
}

Browser::~Browser() {
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10000)) m_process.kill();
    m_process.waitForFinished(5000);
}

// An empty command reads the driver's greeting.
QJsonValue Browser::call(const QJsonObject& command, std::chrono::milliseconds timeout) {
    if (!command.isEmpty()) m_process.write(QJsonDocument(command).toJson(QJsonDocument::Compact) + "\n");
    QElapsedTimer clock;
    clock.start();
    while (!m_process.canReadLine()) {
        if (clock.elapsed() > timeout.count() || m_process.state() != QProcess::Running) {
            m_error = QStringLiteral("no answer from the browser");
            return QJsonValue(QJsonValue::Undefined);
        }
        m_process.waitForReadyRead(100);
    }
    const QJsonObject answer = QJsonDocument::fromJson(m_process.readLine()).object();
    if (!answer.value("ok").toBool()) {
        m_error = answer.value("error").toString();
        return QJsonValue(QJsonValue::Undefined);
    }
    return answer.value("value");
}

bool Browser::open(const QString& url) { return call({{"cmd", "goto"}, {"url", url}}).toBool(); }

QJsonValue Browser::evaluate(const QString& expression) { return call({{"cmd", "eval"}, {"expr", expression}}); }

bool Browser::waitFor(const QString& expression, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeout.count()) {
        if (evaluate(expression).toBool()) return true;
        QThread::msleep(50);
    }
    return false;
}

bool Browser::screenshot(const QString& path) { return !call({{"cmd", "shot"}, {"path", path}}).isUndefined(); }

bool Browser::setViewport(int width, int height) {
    return call({{"cmd", "size"}, {"width", width}, {"height", height}}).toBool();
}

bool Browser::setHeader(const QString& name, const QString& value) {
    return call({{"cmd", "headers"}, {"headers", QJsonObject{{name, value}}}}).toBool();
}

bool Browser::setColourScheme(const QString& scheme) { return call({{"cmd", "scheme"}, {"value", scheme}}).toBool(); }

}  // namespace web::testing
