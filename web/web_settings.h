#pragma once
// The web page's options as a user writes them (--web, --web-password-file),
// checked and turned into settings.
#include <optional>
#include <string>
#include <variant>

#include <QString>

#include "publish/listen_address.h"

namespace web {

struct WebLimits {
    unsigned connections = 512;        // open at once, streams included; more are refused
    unsigned idleTimeoutSeconds = 10;  // a connection that sends nothing is closed
    unsigned streamTimeoutSeconds = 60;  // a stream that takes no byte for this long is closed
    std::size_t requestBytes = 16384;  // request line and headers; more gets 414 or 431
    std::size_t streams = 64;          // live streams at once; more get 503
};

struct WebSettings {
    publish::ListenAddress address;
    std::string password;  // empty: no password asked
    WebLimits limits;
    // True when other machines can reach the page (not a loopback address).
    bool reachableFromOthers() const;
};

// The settings, or a message naming the option that is wrong. The password
// is the password file's first line; it is kept nowhere else.
std::variant<WebSettings, QString> webSettings(const QString& listen, const QString& passwordFile);

// The warning for a page that other machines reach without a password, or
// nothing.
std::optional<std::string> openPageWarning(const WebSettings& settings);

}  // namespace web
