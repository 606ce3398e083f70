#pragma once
// Answers to one HTTP request through libmicrohttpd: a body with its type, a
// refusal with its reason in plain text, an embedded file.
#include <string>
#include <string_view>

#include "web/page_assets.h"

struct MHD_Connection;
struct MHD_Response;

namespace web {

class HttpReply {
public:
    explicit HttpReply(MHD_Connection* connection) : m_connection(connection) {}

    // `body` is copied; with a `download` name, the browser saves it under that name.
    int send(unsigned status, std::string_view body, std::string_view contentType,
             const std::string& download = {}) const;
    // A refusal or an error: the reason as text, one line.
    int refuse(unsigned status, std::string_view reason) const;
    int asset(const PageAsset& asset) const;
    int unauthorized() const;
    // Queues a prepared response (headers set by the caller) and releases it.
    int queue(unsigned status, MHD_Response* response) const;

    // A request header's value, or empty.
    std::string header(const char* name) const;
    // A query argument's value (NUL bytes included), or empty.
    std::string argument(const char* name) const;

private:
    MHD_Connection* m_connection;
};

}  // namespace web
