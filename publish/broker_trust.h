#pragma once
// What a TLS broker's certificate must chain to when no CA file is named: the
// system's trusted roots, as a browser on the same machine would use.
// On Linux that is the distribution's /etc/ssl/certs. On Windows it is the
// certificate store ("Trusted Root Certification Authorities", kept current
// by Windows Update and by a company's group policy), which OpenSSL does not
// read by itself: its roots are copied into the connection's TLS context.
#include <string>

struct mosquitto;

namespace publish {

// A libmosquitto result (MOSQ_ERR_SUCCESS when the client will check the
// broker `host` against the system's roots).
int trustSystemRoots(mosquitto* client, const std::string& host);

}  // namespace publish
