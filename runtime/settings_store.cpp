// INI files read and written the way the classic private-profile functions
// do, so that a settings file moves between this console and its Windows
// build unchanged: names match regardless of ASCII case, values are trimmed,
// and every line this code does not change keeps its exact bytes.
#include "runtime/settings_store.h"

#include "runtime/file_numbers.h"
#include "runtime/native_file.h"
#include "runtime/texts.h"

namespace runtime {
namespace {

constexpr std::size_t kReadBufferSize = 10240;  // including the terminating zero
constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string_view TrimEnd(std::string_view text)
{
    const auto last = text.find_last_not_of(kBlanks);
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// ']' (0x5D) can be the trail byte of a two-byte character; '[', '=' and ';'
// cannot, but one helper serves them all.
std::size_t FindCharacter(std::string_view text, char wanted)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == wanted) return i;
        if (IsLeadByte(static_cast<unsigned char>(text[i]))) ++i;
    }
    return std::string_view::npos;
}

// The name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line)
{
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
    const std::size_t close = FindCharacter(trimmed, ']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(trimmed.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::size_t valueAt;  // offset of the value's first character in the line
};

// The key of a "key=value" line, or nothing for comments and other lines.
std::optional<KeyLine> ParseKeyLine(std::string_view line)
{
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return std::nullopt;
    const std::size_t equals = FindCharacter(line, '=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::size_t valueAt = std::min(line.find_first_not_of(kBlanks, equals + 1), line.size());
    return KeyLine{Trim(line.substr(0, equals)), valueAt};
}

// What a 10240-byte buffer receives: at most 10239 bytes, here cut before a
// two-byte character that would not fit whole.
Text CutToReadBuffer(std::string_view value)
{
    constexpr std::size_t limit = kReadBufferSize - 1;
    if (value.size() <= limit) return Text(value);
    std::size_t cut = 0;
    while (cut < limit) {
        const std::size_t length = IsLeadByte(static_cast<unsigned char>(value[cut])) ? 2 : 1;
        if (cut + length > limit) break;
        cut += length;
    }
    return Text(value.substr(0, cut));
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

IniDocument IniDocument::parse(std::string_view content)
{
    IniDocument document;
    bool lineEndSeen = false;
    while (!content.empty()) {
        const std::size_t newline = content.find('\n');
        Line line;
        if (newline == std::string_view::npos) {
            line.text = content;
            content = {};
        } else {
            const bool crlf = newline > 0 && content[newline - 1] == '\r';
            line.text = content.substr(0, crlf ? newline - 1 : newline);
            line.end = crlf ? "\r\n" : "\n";
            content.remove_prefix(newline + 1);
            if (!lineEndSeen) document.m_lineEnd = line.end;
            lineEndSeen = true;
        }
        document.m_lines.push_back(std::move(line));
    }
    return document;
}

std::string IniDocument::serialize() const
{
    std::string content;
    for (const Line& line : m_lines) {
        content += line.text;
        content += line.end;
    }
    return content;
}

std::optional<IniDocument::Range> IniDocument::findSection(std::string_view section) const
{
    std::optional<Range> found;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = SectionName(m_lines[i].text);
        if (!name) continue;
        if (found) {
            found->end = i;
            return found;
        }
        if (EqualIgnoringCase(*name, section)) found = Range{i, m_lines.size()};
    }
    return found;
}

std::optional<std::size_t> IniDocument::findKey(const Range& range, std::string_view key) const
{
    for (std::size_t i = range.begin + 1; i < range.end; ++i) {
        const auto keyLine = ParseKeyLine(m_lines[i].text);
        if (keyLine && EqualIgnoringCase(keyLine->key, key)) return i;
    }
    return std::nullopt;
}

std::optional<Text> IniDocument::value(std::string_view section, std::string_view key) const
{
    const auto range = findSection(section);
    const auto index = range ? findKey(*range, key) : std::nullopt;
    if (!index) return std::nullopt;
    const std::string& text = m_lines[*index].text;
    const std::size_t valueAt = ParseKeyLine(text)->valueAt;
    return Text(Unquote(Trim(std::string_view(text).substr(valueAt))));
}

void IniDocument::terminateLastLine()
{
    if (!m_lines.empty() && m_lines.back().end.empty()) m_lines.back().end = m_lineEnd;
}

void IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    const Line keyLine{Text(key) + "=" + Text(value), m_lineEnd};
    const auto range = findSection(section);
    if (!range) {
        terminateLastLine();
        m_lines.push_back({"[" + Text(section) + "]", m_lineEnd});
        m_lines.push_back(keyLine);
        return;
    }
    if (const auto index = findKey(*range, key)) {
        // Keep the key's spelling and the blanks around '=' as they were.
        std::string& text = m_lines[*index].text;
        text = text.substr(0, ParseKeyLine(text)->valueAt) + Text(value);
        return;
    }
    std::size_t last = range->end - 1;
    while (last > range->begin && Trim(m_lines[last].text).empty()) --last;
    if (m_lines[last].end.empty()) m_lines[last].end = m_lineEnd;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(last + 1), keyLine);
}

void IniDocument::removeKey(std::string_view section, std::string_view key)
{
    const auto range = findSection(section);
    const auto index = range ? findKey(*range, key) : std::nullopt;
    if (index) m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(*index));
}

void IniDocument::removeSection(std::string_view section)
{
    const auto range = findSection(section);
    if (!range) return;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(range->begin),
                  m_lines.begin() + static_cast<std::ptrdiff_t>(range->end));
}

Text ReadSettingsItem(const Path& file, std::string_view section, std::string_view key,
                      std::string_view fallback)
{
    if (file.empty() || section.empty() || key.empty()) return Text();
    const std::optional<std::string> content = ReadWholeFile(file);
    const std::optional<Text> value =
        content ? IniDocument::parse(*content).value(section, key) : std::nullopt;
    return CutToReadBuffer(value ? std::string_view(*value) : TrimEnd(fallback));
}

bool WriteSettingsItem(const Path& file, std::string_view section,
                       std::optional<std::string_view> key, std::optional<std::string_view> value)
{
    if (file.empty() || section.empty() || (key && key->empty())) return false;
    if (HasLineBreak(section) || (key && HasLineBreak(*key)) || (value && HasLineBreak(*value))) {
        return false;
    }
    const std::optional<std::string> content = ReadWholeFile(file);
    // An unreadable file that exists must not be replaced by a fresh one.
    if (!content && FileExists(file)) return false;
    IniDocument document = IniDocument::parse(content.value_or(std::string()));
    if (!key) {
        document.removeSection(section);
    } else if (!value) {
        document.removeKey(section, *key);
    } else {
        document.setValue(section, *key, *value);
    }
    const std::string updated = document.serialize();
    if (content && updated == *content) return true;
    if (!content && updated.empty()) return true;  // deleting from a missing file
    return ReplaceWholeFile(file, updated);
}

}  // namespace runtime
