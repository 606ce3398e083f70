#include "chart/text_markup.h"

#include <cctype>
#include <charconv>

namespace chart {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

struct Escape { std::string_view written; std::string_view shown; };
constexpr Escape kEscapes[] = {
    {"&lgt;", "<"}, {"&rgt;", ">"}, {"&-lgt;", "&lgt;"}, {"&-rgt;", "&rgt;"}};

enum class Keyword { Bold, Italic, Underline, Strikeout, Colour, BackColour, BorderColour, Break };

struct KeywordName { std::string_view name; Keyword keyword; };
constexpr KeywordName kKeywords[] = {
    {"bold", Keyword::Bold},           {"italic", Keyword::Italic},
    {"underline", Keyword::Underline}, {"strikeout", Keyword::Strikeout},
    {"color", Keyword::Colour},        {"backcolor", Keyword::BackColour},
    {"bordercolor", Keyword::BorderColour}, {"br", Keyword::Break}};

std::optional<Keyword> keywordNamed(std::string_view name) {
    for (const auto& entry : kKeywords)
        if (equalsIgnoringCase(entry.name, name)) return entry.keyword;
    return std::nullopt;
}

bool takesColour(Keyword k) {
    return k == Keyword::Colour || k == Keyword::BackColour || k == Keyword::BorderColour;
}

// What lies between "<" and ">", checked against the grammar.
struct Tag {
    Keyword keyword;
    bool closing = false;
    std::optional<Colour> colour;
};

std::optional<Tag> parseTag(std::string_view body) {
    Tag tag{};
    if (!body.empty() && body.front() == '/') {
        tag.closing = true;
        body.remove_prefix(1);
    } else if (!body.empty() && body.back() == '/') {
        body.remove_suffix(1);  // "<br/>"
        const auto keyword = keywordNamed(body);
        if (keyword != Keyword::Break) return std::nullopt;
    }
    const std::size_t equals = body.find('=');
    const auto keyword = keywordNamed(body.substr(0, equals));
    if (!keyword) return std::nullopt;
    tag.keyword = *keyword;
    if (equals != std::string_view::npos) {
        if (tag.closing || !takesColour(tag.keyword)) return std::nullopt;
        const ParsedColour colour = parseMarkupColour(body.substr(equals + 1));
        if (!colour.valid) return std::nullopt;
        tag.colour = colour.colour;
    } else if (!tag.closing && takesColour(tag.keyword)) {
        return std::nullopt;
    }
    if (tag.closing && tag.keyword == Keyword::Break) return std::nullopt;
    return tag;
}

// The styles open at the current position of the text.
class StyleState {
public:
    TextStyle style() const {
        TextStyle s;
        s.bold = m_counts[0] > 0;
        s.italic = m_counts[1] > 0;
        s.underline = m_counts[2] > 0;
        s.strikeout = m_counts[3] > 0;
        if (!m_colours[0].empty()) s.colour = m_colours[0].back();
        if (!m_colours[1].empty()) s.backColour = m_colours[1].back();
        if (!m_colours[2].empty()) s.borderColour = m_colours[2].back();
        return s;
    }
    // False when a closing tag has nothing to close.
    bool apply(const Tag& tag) {
        const int k = static_cast<int>(tag.keyword);
        if (k <= static_cast<int>(Keyword::Strikeout)) {
            if (tag.closing && m_counts[k] == 0) return false;
            m_counts[k] += tag.closing ? -1 : 1;
            return true;
        }
        auto& stack = m_colours[k - static_cast<int>(Keyword::Colour)];
        if (!tag.closing) {
            stack.push_back(tag.colour);
            return true;
        }
        if (stack.empty()) return false;
        stack.pop_back();
        return true;
    }

private:
    int m_counts[4] = {};
    std::vector<std::optional<Colour>> m_colours[3];
};

class MarkupBuilder {
public:
    MarkupBuilder() : m_lines(1) {}
    void append(std::string_view text, const TextStyle& style) {
        if (text.empty()) return;
        MarkupLine& line = m_lines.back();
        if (line.empty() || !(line.back().style == style)) line.push_back(TextRun{Text{}, style});
        line.back().text.append(text);
    }
    void lineBreak() { m_lines.emplace_back(); }
    std::vector<MarkupLine> take() { return std::move(m_lines); }

private:
    std::vector<MarkupLine> m_lines;
};

}  // namespace

ParsedColour parseMarkupColour(std::string_view word) {
    if (equalsIgnoringCase(word, "red")) return {true, Colour{0x0000FF}};
    if (equalsIgnoringCase(word, "green")) return {true, Colour{0x00FF00}};
    if (equalsIgnoringCase(word, "blue")) return {true, Colour{0xFF0000}};
    if (word == "-1") return {true, std::nullopt};
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        word.remove_prefix(2);
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, base);
    if (word.empty() || error != std::errc{} || end != word.data() + word.size() || value > 0xFFFFFF)
        return {};
    return {true, Colour{value}};
}

std::vector<MarkupLine> parseMarkup(std::string_view text) {
    MarkupBuilder builder;
    StyleState state;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '&') {
            bool escaped = false;
            for (const auto& escape : kEscapes) {
                if (text.substr(i, escape.written.size()) == escape.written) {
                    builder.append(escape.shown, state.style());
                    i += escape.written.size();
                    escaped = true;
                    break;
                }
            }
            if (escaped) continue;
        } else if (text[i] == '<') {
            const std::size_t close = text.find('>', i + 1);
            if (close != std::string_view::npos) {
                const auto tag = parseTag(text.substr(i + 1, close - i - 1));
                if (tag && tag->keyword == Keyword::Break) {
                    builder.lineBreak();
                    i = close + 1;
                    continue;
                }
                if (tag && state.apply(*tag)) {
                    i = close + 1;
                    continue;
                }
            }
        }
        // Plain bytes up to the next character that may start markup.
        const std::size_t next = text.find_first_of("<&", i + 1);
        const std::size_t end = next == std::string_view::npos ? text.size() : next;
        builder.append(text.substr(i, end - i), state.style());
        i = end;
    }
    return builder.take();
}

Text plainText(std::string_view markup) {
    Text result;
    bool first = true;
    for (const MarkupLine& line : parseMarkup(markup)) {
        if (!first) result += '\n';
        first = false;
        for (const TextRun& run : line) result += run.text;
    }
    return result;
}

}  // namespace chart
