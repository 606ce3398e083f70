#pragma once
// INI files with the semantics of the classic private-profile functions:
// section and key names match regardless of ASCII case, values are trimmed,
// everything else in the file (other sections, keys, comments, order) is kept.
#include <optional>
#include <string_view>
#include <vector>

#include "runtime/gbk_codec.h"

namespace runtime {

// Empty file, section or key gives the empty text; a missing key gives `fallback`.
Text ReadSettingsItem(std::string_view file, std::string_view section, std::string_view key,
                      std::string_view fallback = {});
// No value deletes the key; no key deletes the section. The file is replaced
// atomically. True on success.
bool WriteSettingsItem(std::string_view file, std::string_view section,
                       std::optional<std::string_view> key,
                       std::optional<std::string_view> value);

// The in-memory document behind both operations (pure; fuzzed and unit-tested).
class IniDocument {
public:
    static IniDocument parse(std::string_view content);
    std::string serialize() const;
    std::optional<Text> value(std::string_view section, std::string_view key) const;
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    void removeKey(std::string_view section, std::string_view key);
    void removeSection(std::string_view section);

private:
    std::vector<std::string> m_lines;  // raw lines without line ends
};

}  // namespace runtime
