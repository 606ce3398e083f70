#include "publish/broker_address.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace publish {
namespace {

QString urlError(const QString& url, const QString& what) {
    return QStringLiteral("MQTT URL \"%1\": %2 (expected mqtt://[user[:password]@]host[:port] or mqtts://…)")
        .arg(redactedUrl(url), what);
}

}  // namespace

// Text-based rather than through QUrl, so that a URL too broken to parse is
// redacted as well. The password runs from the first ":" after the scheme to
// the last "@", which hides too much rather than too little when a password
// holds an unencoded "/" or "@".
QString redactedUrl(const QString& url) {
    const qsizetype scheme = url.indexOf(QLatin1String("://"));
    const qsizetype authority = scheme < 0 ? 0 : scheme + 3;
    const qsizetype at = url.lastIndexOf(QLatin1Char('@'));
    if (at < authority) return url;
    const qsizetype colon = url.indexOf(QLatin1Char(':'), authority);
    if (colon < 0 || colon > at) return url;
    return url.left(colon + 1) + QStringLiteral("***") + url.mid(at);
}

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

std::variant<std::string, QString> readPasswordFile(const QString& path, QStringList* warnings) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("MQTT password file \"%1\": %2").arg(path, file.errorString());
    }
    QByteArray line = file.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    // An empty password is almost always a file not filled in yet, and the
    // broker would only say "not authorised" on every retry.
    if (line.isEmpty()) return QStringLiteral("MQTT password file \"%1\" is empty").arg(path);
    // Only POSIX mode bits say who else may read it. On Windows Qt derives
    // the bits from the read-only attribute alone (every file would look
    // readable by all), while the file's ACL, private in a user's profile by
    // default, decides.
#ifdef Q_OS_WIN
    const QFileDevice::Permissions others{};
#else
    const QFileDevice::Permissions others = file.permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther);
#endif
    if (others && warnings) {
        *warnings << QStringLiteral("MQTT password file \"%1\" can be %2 by every user of this machine (chmod o-rw)")
                         .arg(path, others & QFileDevice::WriteOther ? QStringLiteral("changed") : QStringLiteral("read"));
    }
    return line.toStdString();
}

std::variant<BrokerAddress, QString> brokerAddress(const QString& url, const QString& caFile,
                                                   const QString& passwordFile, QStringList* warnings) {
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
        auto password = readPasswordFile(passwordFile, warnings);
        if (auto* error = std::get_if<QString>(&password)) return *error;
        if (address.user.empty()) return QStringLiteral("an MQTT password file needs a user in the URL");
        address.password = std::get<std::string>(password);
    }
    return address;
}

}  // namespace publish
