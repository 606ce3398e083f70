#include "web/web_settings.h"

#include <QFile>

namespace web {

bool WebSettings::reachableFromOthers() const {
    const std::string& host = address.host;
    return !(host.rfind("127.", 0) == 0 || host == "::1" || host == "::ffff:127.0.0.1");
}

std::variant<WebSettings, QString> webSettings(const QString& listen, const QString& passwordFile) {
    WebSettings settings;
    auto address = publish::parseListenAddress(listen, QStringLiteral("web"));
    if (auto* error = std::get_if<QString>(&address)) return QStringLiteral("--web: ") + *error;
    settings.address = std::get<publish::ListenAddress>(address);
    if (passwordFile.isEmpty()) return settings;
    QFile file(passwordFile);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("--web-password-file: %1: %2").arg(passwordFile, file.errorString());
    }
    QByteArray line = file.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    if (line.isEmpty()) return QStringLiteral("--web-password-file: %1: the first line is empty").arg(passwordFile);
    settings.password = line.toStdString();
    return settings;
}

std::optional<std::string> openPageWarning(const WebSettings& settings) {
    if (!settings.reachableFromOthers() || !settings.password.empty()) return std::nullopt;
    return "the web page on " + settings.address.host + " port " + std::to_string(settings.address.port) +
           " is open to every machine that reaches it: give --web-password-file, or bind 127.0.0.1";
}

}  // namespace web
