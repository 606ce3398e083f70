#pragma once
// Where /metrics listens: "[HOST:]PORT". A bare port binds 127.0.0.1 only;
// other machines are served only when a host is named ("0.0.0.0:9101",
// "[::]:9101", "192.168.1.5:9101").
#include <string>
#include <variant>

#include <QString>

namespace publish {

struct ListenAddress {
    std::string host = "127.0.0.1";  // numeric IPv4 or IPv6 address
    int port = 0;                    // 0: any free port (tests)
    // "127.0.0.1:9101", "[::]:9101"
    std::string text() const;
    std::string textWithPort(int actualPort) const;
};

std::variant<ListenAddress, QString> parseListenAddress(const QString& text);

}  // namespace publish
