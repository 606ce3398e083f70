#include "chart/font_text.h"

#include <string_view>

#include "runtime/conversions.h"
#include "runtime/texts.h"

namespace chart {

namespace {

std::string_view trimmed(std::string_view field) {
    while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) field.remove_prefix(1);
    while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.remove_suffix(1);
    return field;
}

}  // namespace

platform::FontSpec parseFontText(const runtime::Text& text) {
    platform::FontSpec spec;
    // SplitText steps over two-byte characters, so a face name is never cut
    // inside a character.
    const std::vector<runtime::Text> fields = runtime::SplitText(text, ",", 3);
    if (fields.size() > 0) spec.face = runtime::Utf8FromGbk(trimmed(fields[0]));
    if (fields.size() > 1) spec.height = runtime::ToInteger(trimmed(fields[1]));
    if (fields.size() > 2 && !trimmed(fields[2]).empty())
        spec.weight = runtime::ToInteger(trimmed(fields[2]));
    if (spec.weight <= 0 || spec.weight > 1000) spec.weight = 400;
    return spec;
}

}  // namespace chart
