#include "publish/broker_trust.h"

// Winsock's header must come before windows.h.
#include "publish/socket_api.h"

#include <windows.h>
#include <wincrypt.h>

#include <mosquitto.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace publish {
namespace {

// Every certificate of the current user's view of the ROOT store (the
// machine's roots plus the user's own) into OpenSSL's store. A certificate
// OpenSSL cannot parse is skipped; the others still count.
void addSystemRoots(X509_STORE* store) {
    HCERTSTORE system = CertOpenSystemStoreW(0, L"ROOT");
    if (system == nullptr) return;
    for (PCCERT_CONTEXT entry = CertEnumCertificatesInStore(system, nullptr); entry != nullptr;
         entry = CertEnumCertificatesInStore(system, entry)) {
        const unsigned char* bytes = entry->pbCertEncoded;
        if (X509* certificate = d2i_X509(nullptr, &bytes, long(entry->cbCertEncoded))) {
            X509_STORE_add_cert(store, certificate);
            X509_free(certificate);
        }
    }
    CertCloseStore(system, 0);
}

// The broker's name (or address) the certificate must be made out to.
bool expectHost(SSL_CTX* context, const std::string& host) {
    X509_VERIFY_PARAM* parameters = SSL_CTX_get0_param(context);
    in6_addr address{};
    const bool numeric = inet_pton(AF_INET, host.c_str(), &address) == 1 ||
                         inet_pton(AF_INET6, host.c_str(), &address) == 1;
    return numeric ? X509_VERIFY_PARAM_set1_ip_asc(parameters, host.c_str()) == 1
                   : X509_VERIFY_PARAM_set1_host(parameters, host.c_str(), 0) == 1;
}

}  // namespace

// The client gets a TLS context of ours and libmosquitto adds nothing to it
// (no defaults), so the peer check and the host name check are set here.
int trustSystemRoots(mosquitto* client, const std::string& host) {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (context == nullptr) return MOSQ_ERR_TLS;
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    addSystemRoots(SSL_CTX_get_cert_store(context));
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    int result = expectHost(context, host) ? MOSQ_ERR_SUCCESS : MOSQ_ERR_TLS;
    if (result == MOSQ_ERR_SUCCESS) result = mosquitto_int_option(client, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0);
    if (result == MOSQ_ERR_SUCCESS) result = mosquitto_void_option(client, MOSQ_OPT_SSL_CTX, context);
    SSL_CTX_free(context);  // the client holds its own reference
    return result;
}

}  // namespace publish
