#pragma once
// Debian's headless chromium, driven through tests/web/cdp_driver.js: load a
// page, evaluate JavaScript in it, take a screenshot.
#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <chrono>

namespace web::testing {

class Browser {
public:
    Browser();
    ~Browser();
    bool ready() const { return m_ready; }

    bool open(const QString& url);
    // The value of `expression` (a promise is awaited); undefined on an error.
    QJsonValue evaluate(const QString& expression);
    // Polls `expression` until it is true; false at the timeout.
    bool waitFor(const QString& expression, std::chrono::milliseconds timeout);
    bool screenshot(const QString& path);
    bool setViewport(int width, int height);
    bool setHeader(const QString& name, const QString& value);
    bool setColourScheme(const QString& scheme);  // "dark" or "light"
    QString lastError() const { return m_error; }

private:
    QJsonValue call(const QJsonObject& command, std::chrono::milliseconds timeout = std::chrono::seconds(30));
    QProcess m_process;
    bool m_ready = false;
    QString m_error;
};

}  // namespace web::testing
