#include "publish/listen_address.h"

#include <arpa/inet.h>

#include <array>

namespace publish {

std::string ListenAddress::text() const { return textWithPort(port); }

std::string ListenAddress::textWithPort(int actualPort) const {
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(actualPort);
}

std::variant<ListenAddress, QString> parseListenAddress(const QString& text) {
    const auto error = [&](const QString& what) {
        return QStringLiteral("metrics address \"%1\": %2 (expected [HOST:]PORT)").arg(text, what);
    };
    ListenAddress address;
    QString port = text;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        QString host = text.left(colon);
        port = text.mid(colon + 1);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) host = host.mid(1, host.size() - 2);
        if (host == QLatin1String("localhost")) host = QStringLiteral("127.0.0.1");
        const std::string numeric = host.toStdString();
        std::array<unsigned char, 16> bytes{};
        if (inet_pton(AF_INET, numeric.c_str(), bytes.data()) != 1 &&
            inet_pton(AF_INET6, numeric.c_str(), bytes.data()) != 1) {
            return error(QStringLiteral("the host must be an IP address"));
        }
        address.host = numeric;
    }
    bool ok = false;
    const int number = port.toInt(&ok);
    if (!ok || number < 0 || number > 65535) return error(QStringLiteral("the port must be a number 0 to 65535"));
    address.port = number;
    return address;
}

}  // namespace publish
