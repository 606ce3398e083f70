#include "web/basic_auth.h"

#include <QByteArray>
#include <QCryptographicHash>

namespace web {
namespace {

std::string digest(std::string_view text) {
    return QCryptographicHash::hash(QByteArrayView(text.data(), qsizetype(text.size())),
                                    QCryptographicHash::Sha256)
        .toStdString();
}

bool sameDigest(const std::string& a, const std::string& b) {
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

}  // namespace

BasicAuth::BasicAuth(const std::string& password) : m_required(!password.empty()), m_digest(digest(password)) {}

bool BasicAuth::accepts(std::string_view authorization) const {
    if (!m_required) return true;
    constexpr std::string_view kScheme = "Basic ";
    std::string given;
    if (authorization.size() > kScheme.size() &&
        QByteArray(authorization.data(), qsizetype(kScheme.size())).compare(kScheme.data(), Qt::CaseInsensitive) == 0) {
        const QByteArray decoded = QByteArray::fromBase64(
            QByteArray(authorization.data() + kScheme.size(), qsizetype(authorization.size() - kScheme.size())));
        const qsizetype colon = decoded.indexOf(':');
        if (colon >= 0) given = decoded.mid(colon + 1).toStdString();
    }
    // Hashed and compared even when the header is missing or malformed.
    const bool match = sameDigest(digest(given), m_digest);
    return match && !given.empty();
}

}  // namespace web
