#include "web/http_reply.h"

#include <microhttpd.h>

#include <cstring>

namespace web {
namespace {

// What every answer carries: nothing is cached that could go stale, nothing
// is sniffed into another type, and no other site may frame the page.
void commonHeaders(MHD_Response* response) {
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(response, "X-Frame-Options", "DENY");
    MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
}

}  // namespace

int HttpReply::queue(unsigned status, MHD_Response* response) const {
    if (response == nullptr) return MHD_NO;
    commonHeaders(response);
    const MHD_Result result = MHD_queue_response(m_connection, status, response);
    MHD_destroy_response(response);
    return result;
}

int HttpReply::send(unsigned status, std::string_view body, std::string_view contentType,
                    const std::string& download) const {
    MHD_Response* response =
        MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, std::string(contentType).c_str());
    if (status == MHD_HTTP_METHOD_NOT_ALLOWED) MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
    if (status == MHD_HTTP_SERVICE_UNAVAILABLE) MHD_add_response_header(response, MHD_HTTP_HEADER_RETRY_AFTER, "5");
    if (!download.empty()) {
        // Names are the recorder's own (a meter's NAME, KZRT…csv): quotes and
        // control characters are dropped all the same.
        std::string name;
        for (const char c : download) {
            if (c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20) name += c;
        }
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_DISPOSITION,
                                ("attachment; filename=\"" + name + "\"").c_str());
    }
    return queue(status, response);
}

int HttpReply::refuse(unsigned status, std::string_view reason) const {
    return send(status, std::string(reason) + "\n", "text/plain; charset=utf-8");
}

int HttpReply::asset(const PageAsset& asset) const {
    const std::string accepted = header(MHD_HTTP_HEADER_ACCEPT_ENCODING);
    const bool gzip = accepted.find("gzip") != std::string::npos;
    const std::string_view body = gzip ? asset.gzipped : asset.plain;
    MHD_Response* response =
        MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_PERSISTENT);
    if (response == nullptr) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, std::string(asset.contentType).c_str());
    MHD_add_response_header(response, MHD_HTTP_HEADER_VARY, MHD_HTTP_HEADER_ACCEPT_ENCODING);
    if (gzip) MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_ENCODING, "gzip");
    return queue(MHD_HTTP_OK, response);
}

int HttpReply::unauthorized() const {
    constexpr std::string_view kBody = "A password is needed.\n";
    MHD_Response* response =
        MHD_create_response_from_buffer(kBody.size(), const_cast<char*>(kBody.data()), MHD_RESPMEM_PERSISTENT);
    if (response == nullptr) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain; charset=utf-8");
    MHD_add_response_header(response, MHD_HTTP_HEADER_WWW_AUTHENTICATE, "Basic realm=\"kzrt-record\", charset=\"UTF-8\"");
    return queue(MHD_HTTP_UNAUTHORIZED, response);
}

std::string HttpReply::header(const char* name) const {
    const char* value = MHD_lookup_connection_value(m_connection, MHD_HEADER_KIND, name);
    return value != nullptr ? value : "";
}

// Whole, NUL bytes included (a "%00" in the query), so that a name cut
// short at a NUL never passes for another.
std::string HttpReply::argument(const char* name) const {
    const char* value = nullptr;
    std::size_t size = 0;
    if (MHD_lookup_connection_value_n(m_connection, MHD_GET_ARGUMENT_KIND, name, std::strlen(name), &value, &size) !=
            MHD_YES ||
        value == nullptr) {
        return {};
    }
    return std::string(value, size);
}

}  // namespace web
