#include "lookback/day_file_io.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <filesystem>

namespace lookback {
namespace {

std::filesystem::path utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// Empty on success, else the system's reason.
std::string readWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream file(utf8Path(path), std::ios::binary);
    if (!file) return std::strerror(errno);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return file.bad() ? std::string("read error") : std::string{};
}

}  // namespace

std::string writeOutput(const std::string& path, const std::string& bytes) {
    if (path.empty() || path == "-") {
        return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() ? std::string{} : "write error";
    }
    std::ofstream file(utf8Path(path), std::ios::binary | std::ios::trunc);
    if (!file || !file.write(bytes.data(), std::streamsize(bytes.size())).flush()) return std::strerror(errno);
    return {};
}

bool parseInputOutput(const char* command, const std::vector<std::string>& arguments, std::string& input,
                      std::string& output) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if ((arguments[i] == "-o" || arguments[i] == "--output") && i + 1 < arguments.size()) {
            output = arguments[++i];
        } else if (input.empty() && !arguments[i].starts_with('-')) {
            input = arguments[i];
        } else {
            std::fprintf(stderr, "kzrt-record: %s: unexpected argument '%s'\n", command, arguments[i].c_str());
            return false;
        }
    }
    return true;
}

std::optional<DayFile> loadDayFile(const char* command, const std::string& path) {
    std::string bytes;
    if (std::string error = readWholeFile(path, bytes); !error.empty()) {
        std::fprintf(stderr, "kzrt-record: %s: %s: %s\n", command, path.c_str(), error.c_str());
        return std::nullopt;
    }
    DayFile file = readDayFile(bytes);
    if (!file.headerFound) {
        // Rows without their header may be a cut-off copy; bytes that hold no
        // row at all are something else altogether.
        const bool recording = bytes.empty() || !file.rows.empty();
        std::fprintf(stderr, "kzrt-record: %s: %s: %s\n", command, path.c_str(),
                     recording ? "no recording header" : "not a recording");
        return std::nullopt;
    }
    if (file.skipped > 0) {
        std::fprintf(stderr, "kzrt-record: %s: %s: skipped %d torn or damaged row(s)\n", command, path.c_str(),
                     file.skipped);
    }
    return file;
}

}  // namespace lookback
