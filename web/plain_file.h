#pragma once
// A listed day file's bytes for a download, read as the platform lets a
// reader beside a running recording read it whole.
#include <optional>
#include <string>

namespace web {

// The bytes of the file at `path` (UTF-8), or nothing when it cannot be read
// or a link was put in its place since the listing (links are not followed).
std::optional<std::string> readPlainFile(const std::string& path);

}  // namespace web
