#pragma once
// Where the MQTT broker is and how to log in: mqtt://[user[:password]@]host[:port]
// or mqtts://… (TLS, checked against a CA file or the system's CAs).
#include <optional>
#include <string>
#include <variant>

#include <QString>
#include <QStringList>

namespace publish {

struct BrokerAddress {
    bool tls = false;
    std::string host;
    int port = 1883;  // 8883 for mqtts
    std::string user;
    std::optional<std::string> password;
    std::string caFile;  // empty: the system's certificate store
};

// The address, or a message naming what is wrong with the URL. User and
// password may be percent-encoded ("%40" for "@").
std::variant<BrokerAddress, QString> parseBrokerUrl(const QString& url);

// The URL as it may be shown: a password in it reads "***".
QString redactedUrl(const QString& url);

// The password file's first line, without its line end; a message when the
// file cannot be read or the password is empty. A file that every user can
// read or write adds a warning.
std::variant<std::string, QString> readPasswordFile(const QString& path, QStringList* warnings = nullptr);

// URL plus the CA and password-file options, checked together: a CA file only
// goes with mqtts://, and a password file replaces a password in the URL.
std::variant<BrokerAddress, QString> brokerAddress(const QString& url, const QString& caFile,
                                                   const QString& passwordFile, QStringList* warnings = nullptr);

}  // namespace publish
