// The recorder's configuration file on arbitrary bytes: entries come out
// trimmed with keys that cannot hold '=', written back as key = value lines
// they read the same, and applying them never leaves an option out of range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "record/config_file.h"
#include "record/record_options.h"

namespace {

bool trimmed(std::string_view text) {
    return text.empty() || (text.find_first_of(" \t\r\n\f\v") != 0 &&
                            text.find_last_of(" \t\r\n\f\v") != text.size() - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const record::ConfigParse parsed = record::parseConfigText(content);
    std::string written = "# written back\n";
    int previousLine = 0;
    for (const record::ConfigEntry& entry : parsed.entries) {
        if (entry.key.empty() || entry.key.find('=') != std::string::npos || !trimmed(entry.key) ||
            !trimmed(entry.value) || entry.line <= previousLine || entry.value.find('\n') != std::string::npos) {
            std::abort();
        }
        previousLine = entry.line;
        // Written back with no blank around "=": a value may begin with "#"
        // ("k=#2"), which a blank before it would make a comment.
        written += entry.key + "=" + entry.value + "\n";
    }
    if (!parsed.error.empty()) return 0;
    const record::ConfigParse again = record::parseConfigText(written);
    if (!again.error.empty() || again.entries.size() != parsed.entries.size()) std::abort();
    for (std::size_t i = 0; i < again.entries.size(); ++i) {
        if (again.entries[i].key != parsed.entries[i].key || again.entries[i].value != parsed.entries[i].value) {
            std::abort();
        }
    }

    record::RecordOptions options;
    record::applyConfig(options, parsed.entries);
    if (options.intervalSeconds < 1 || options.holdSeconds < 1 || options.baud < 1 || options.parity < 0 ||
        options.parity > 4 || (options.durationSeconds && *options.durationSeconds < 1)) {
        std::abort();
    }
    for (const record::MeterSpec& meter : options.meters) {
        if (meter.port.empty() || meter.name.find('/') != std::string::npos) std::abort();
    }
    return 0;
}
