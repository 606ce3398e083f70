#include "publish/listen_address.h"

#include "publish/socket_api.h"

#include <array>

namespace publish {

std::string ListenAddress::text() const { return textWithPort(port); }

std::string ListenAddress::textWithPort(int actualPort) const {
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(actualPort);
}

std::variant<ListenAddress, QString> parseListenAddress(const QString& text, const QString& what) {
    const auto error = [&](const QString& problem) {
        return QStringLiteral("%1 address \"%2\": %3 (expected [HOST:]PORT)").arg(what, text, problem);
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

SocketAddress socketAddress(const ListenAddress& address) {
    SocketAddress bind;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&bind.storage);
    if (inet_pton(AF_INET, address.host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(std::uint16_t(address.port));
        return bind;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&bind.storage);
    inet_pton(AF_INET6, address.host.c_str(), &v6->sin6_addr);
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(std::uint16_t(address.port));
    bind.ipv6 = true;
    bind.anyIpv6 = IN6_IS_ADDR_UNSPECIFIED(&v6->sin6_addr);
    return bind;
}

}  // namespace publish
