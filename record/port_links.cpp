#include "record/port_links.h"

#include <charconv>

namespace record {

int portNumberOf(const std::string& port) {
    std::string_view digits = port;
    if (digits.size() > 3 && (digits.substr(0, 3) == "COM" || digits.substr(0, 3) == "com")) digits.remove_prefix(3);
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() || number < 1) return 0;
    return number;
}

}  // namespace record
