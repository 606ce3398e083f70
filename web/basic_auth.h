#pragma once
// HTTP Basic authentication against one password (any user name). The
// comparison takes the same time whatever the given password is: both sides
// are hashed first, and the digests are compared without an early exit, so
// neither the length nor a common prefix shows in the time taken.
#include <string>
#include <string_view>

namespace web {

class BasicAuth {
public:
    explicit BasicAuth(const std::string& password);
    bool required() const { return m_required; }
    // The Authorization header's value (empty when absent) carries the password.
    bool accepts(std::string_view authorization) const;

private:
    bool m_required;
    std::string m_digest;  // SHA-256 of the password; the password itself is not kept
};

}  // namespace web
