#pragma once
// Rows for the recording file tests and the kill test's writer: row n carries
// n as its voltage, so a test can tell every row apart and check their order.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "console/recording_row.h"
#include "runtime/conversions.h"

namespace console::testing {

inline runtime::Text killTestRow(std::int64_t sequence) {
    return recordingRowText(runtime::MakeDateTime(2015, 12, 5, 14, 3, 7),
                            {runtime::ToText(sequence), "1.234", "15.234", "10.004", "0.1234", "0.0456", "+25.3"});
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace console::testing
