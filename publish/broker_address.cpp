#include "publish/broker_address.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace publish {
namespace {

QString urlError(const QString& url, const QString& what) {
    return QStringLiteral("MQTT URL \"%1\": %2 (expected mqtt://[user[:password]@]host[:port] or mqtts://…)")
        .arg(url, what);
}

}  // namespace

std::variant<BrokerAddress, QString> parseBrokerUrl(const QString& url) {
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid()) return urlError(url, QStringLiteral("not a valid URL"));
    BrokerAddress address;
    if (parsed.scheme() == QLatin1String("mqtts")) {
        address.tls = true;
        address.port = 8883;
    } else if (parsed.scheme() != QLatin1String("mqtt")) {
        return urlError(url, QStringLiteral("the scheme must be mqtt or mqtts"));
    }
    if (parsed.host().isEmpty()) return urlError(url, QStringLiteral("no host"));
    if (!parsed.path().isEmpty() && parsed.path() != QLatin1String("/")) {
        return urlError(url, QStringLiteral("a path is not allowed"));
    }
    if (parsed.hasQuery() || parsed.hasFragment()) {
        return urlError(url, QStringLiteral("a query or fragment is not allowed"));
    }
    if (parsed.port() == 0) return urlError(url, QStringLiteral("port 0"));
    address.host = parsed.host().toStdString();
    address.port = parsed.port(address.port);
    address.user = parsed.userName(QUrl::FullyDecoded).toStdString();
    if (!parsed.password().isNull()) address.password = parsed.password(QUrl::FullyDecoded).toStdString();
    if (address.password && address.user.empty()) return urlError(url, QStringLiteral("a password without a user"));
    return address;
}

std::variant<std::string, QString> readPasswordFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("MQTT password file \"%1\": %2").arg(path, file.errorString());
    }
    QByteArray line = file.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    return line.toStdString();
}

std::variant<BrokerAddress, QString> brokerAddress(const QString& url, const QString& caFile,
                                                   const QString& passwordFile) {
    auto parsed = parseBrokerUrl(url);
    if (auto* error = std::get_if<QString>(&parsed)) return *error;
    BrokerAddress address = std::get<BrokerAddress>(parsed);
    if (!caFile.isEmpty()) {
        if (!address.tls) return QStringLiteral("--mqtt-ca needs an mqtts:// URL");
        if (!QFileInfo(caFile).isReadable()) return QStringLiteral("MQTT CA file \"%1\" cannot be read").arg(caFile);
        // Absolute: the connection reads it later, maybe from another working folder.
        address.caFile = QFileInfo(caFile).absoluteFilePath().toStdString();
    }
    if (!passwordFile.isEmpty()) {
        auto password = readPasswordFile(passwordFile);
        if (auto* error = std::get_if<QString>(&password)) return *error;
        if (address.user.empty()) return QStringLiteral("an MQTT password file needs a user in the URL");
        address.password = std::get<std::string>(password);
    }
    return address;
}

}  // namespace publish
