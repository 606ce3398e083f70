#pragma once
// Paths are UTF-8 text throughout the look-back (what Qt gives the command
// line on every system, and what a page sends); the file system gets them as
// paths of its own kind (UTF-16 on Windows).
#include <filesystem>
#include <string>

namespace lookback {

inline std::filesystem::path utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace lookback
