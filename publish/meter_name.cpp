#include "publish/meter_name.h"

namespace publish {
namespace {

bool keeps(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

}  // namespace

std::string topicSafeName(std::string_view name) {
    std::string safe;
    for (const char c : name) {
        if (keeps(c)) {
            safe += c;
        } else if (!safe.empty() && safe.back() != '_') {
            safe += '_';
        }
    }
    while (!safe.empty() && safe.back() == '_') safe.pop_back();
    const auto first = safe.find_first_not_of('_');
    safe.erase(0, first == std::string::npos ? safe.size() : first);
    return safe.empty() ? std::string("meter") : safe;
}

}  // namespace publish
