#pragma once
// Where /metrics listens: "[HOST:]PORT". A bare port binds 127.0.0.1 only;
// other machines are served only when a host is named ("0.0.0.0:9101",
// "[::]:9101", "192.168.1.5:9101").
#include <string>
#include <variant>

#include <QString>
#include "publish/socket_api.h"

namespace publish {

struct ListenAddress {
    std::string host = "127.0.0.1";  // numeric IPv4 or IPv6 address
    int port = 0;                    // 0: any free port (tests)
    // "127.0.0.1:9101", "[::]:9101"
    std::string text() const;
    std::string textWithPort(int actualPort) const;
};

// `what` names the address in the error ("metrics", "web").
std::variant<ListenAddress, QString> parseListenAddress(const QString& text,
                                                        const QString& what = QStringLiteral("metrics"));

// The socket address to bind, for either family, as libmicrohttpd takes it.
struct SocketAddress {
    sockaddr_storage storage{};
    bool ipv6 = false;
    bool anyIpv6 = false;  // "::": IPv4 clients too
    sockaddr* get() { return reinterpret_cast<sockaddr*>(&storage); }
};
SocketAddress socketAddress(const ListenAddress& address);

}  // namespace publish
