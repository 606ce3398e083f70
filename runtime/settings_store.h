#pragma once
// INI files with the semantics of the classic private-profile functions:
// section and key names match regardless of ASCII case, values are trimmed,
// everything else in the file (other sections, keys, comments, order) is kept.
#include <optional>
#include <string_view>
#include <vector>

#include "runtime/gbk_codec.h"
#include "runtime/native_path.h"

namespace runtime {

// Empty file, section or key gives the empty text; a missing file, section or
// key gives `fallback`. Values are trimmed of blanks and of one pair of
// surrounding double or single quotes, and cut to 10239 bytes (never inside a
// two-byte character), as a 10240-byte read buffer would.
Text ReadSettingsItem(const Path& file, std::string_view section, std::string_view key,
                      std::string_view fallback = {});
// No value deletes the key; no key deletes the section. The file and the
// section are created on demand (a new section goes at the end of the file, a
// new key after the last line of its section). A new file gets CR LF line
// ends; an existing one keeps the line end of its first line. The file is
// replaced atomically. False on an empty file or section name, an empty key, a
// CR or LF in any argument (it would forge lines), or a failed write.
// Deleting from a missing file succeeds without creating it.
bool WriteSettingsItem(const Path& file, std::string_view section,
                       std::optional<std::string_view> key,
                       std::optional<std::string_view> value);

// The in-memory document behind both operations (pure; fuzzed and unit-tested).
// A section is the first one whose name matches; lines before the first
// section, comments (';'), blank lines and lines without '=' belong to no key.
class IniDocument {
public:
    // serialize() gives back exactly the bytes parsed.
    static IniDocument parse(std::string_view content);
    std::string serialize() const;
    std::optional<Text> value(std::string_view section, std::string_view key) const;
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    void removeKey(std::string_view section, std::string_view key);
    void removeSection(std::string_view section);

private:
    struct Line {
        std::string text;  // without its line end
        std::string end;   // "\r\n", "\n", or "" for a last line without one
    };
    struct Range {
        std::size_t begin;  // the section's header line
        std::size_t end;    // the next header, or the line count
    };
    std::optional<Range> findSection(std::string_view section) const;
    std::optional<std::size_t> findKey(const Range& range, std::string_view key) const;
    void terminateLastLine();

    std::vector<Line> m_lines;
    std::string m_lineEnd = "\r\n";  // for lines this document adds
};

}  // namespace runtime
