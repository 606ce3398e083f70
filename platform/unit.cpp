#include "platform/unit.h"

#include "runtime/conversions.h"

namespace platform {

std::int32_t toInt(const PropertyValue& value) {
    if (const auto* i = std::get_if<std::int32_t>(&value)) return *i;
    if (const auto* d = std::get_if<double>(&value)) return runtime::ToInteger(*d);
    return runtime::ToInteger(std::get<runtime::Text>(value));
}

double toDouble(const PropertyValue& value) {
    if (const auto* i = std::get_if<std::int32_t>(&value)) return *i;
    if (const auto* d = std::get_if<double>(&value)) return *d;
    return runtime::ToNumber(std::get<runtime::Text>(value));
}

runtime::Text toText(const PropertyValue& value) {
    if (const auto* i = std::get_if<std::int32_t>(&value)) return runtime::ToText(*i);
    if (const auto* d = std::get_if<double>(&value)) return runtime::ToText(*d);
    return std::get<runtime::Text>(value);
}

}  // namespace platform
