#include "runtime/texts.h"

#include <algorithm>

#include "runtime/runtime_errors.h"

namespace runtime {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Length of the character starting at byte i: two bytes for a lead byte that
// has a follower, otherwise one.
std::size_t CharacterLength(std::string_view text, std::size_t i)
{
    return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// Compares character by character, so only single-byte letters fold.
bool EqualCharacters(std::string_view a, std::string_view b, bool caseSensitive)
{
    if (a.size() != b.size()) return false;
    if (caseSensitive) return a == b;
    for (std::size_t i = 0; i < a.size();) {
        const std::size_t length = CharacterLength(a, i);
        if (length == 2) {
            if (a.compare(i, 2, b.substr(i, 2)) != 0) return false;
        } else if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
        i += length;
    }
    return true;
}

bool MatchesAt(std::string_view text, std::size_t i, std::string_view pattern, bool caseSensitive)
{
    return text.size() - i >= pattern.size() &&
           EqualCharacters(text.substr(i, pattern.size()), pattern, caseSensitive);
}

}  // namespace

Text JoinTexts(std::initializer_list<std::string_view> parts)
{
    std::size_t size = 0;
    for (std::string_view part : parts) size += part.size();
    Text joined;
    joined.reserve(size);
    for (std::string_view part : parts) joined.append(part);
    return joined;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return EqualCharacters(a, b, false);
}

Text ReplaceSubtext(std::string_view text, std::string_view old, std::string_view replacement,
                    int start, int count, bool caseSensitive)
{
    const std::size_t from = static_cast<std::size_t>(std::max(start, 1) - 1);
    if (text.empty() || old.empty() || from >= text.size()) return Text(text);
    Text result(text.substr(0, from));
    int done = 0;
    std::size_t i = from;
    while (i < text.size() && done != count) {
        if (MatchesAt(text, i, old, caseSensitive)) {
            result.append(replacement);
            i += old.size();
            ++done;
        } else {
            const std::size_t length = CharacterLength(text, i);
            result.append(text.substr(i, length));
            i += length;
        }
    }
    result.append(text.substr(i));
    return result;
}

std::vector<Text> SplitText(std::string_view text, std::string_view separator, int maxParts)
{
    std::vector<Text> pieces;
    const auto limit = static_cast<std::size_t>(maxParts);  // negative: no limit
    std::size_t pieceStart = 0;
    std::size_t i = 0;
    while (i < text.size() && pieces.size() < limit) {
        if (!separator.empty() && MatchesAt(text, i, separator, true)) {
            pieces.emplace_back(text.substr(pieceStart, i - pieceStart));
            i += separator.size();
            pieceStart = i;
        } else {
            i += CharacterLength(text, i);
        }
    }
    if (pieceStart < text.size() && pieces.size() < limit) pieces.emplace_back(text.substr(pieceStart));
    return pieces;
}

const Text& ArrayItem(const std::vector<Text>& items, int index)
{
    if (index < 1) ReportRuntimeError(kIndexBelowOne);
    if (static_cast<std::size_t>(index) > items.size()) ReportRuntimeError(kIndexBeyondSize);
    return items[static_cast<std::size_t>(index) - 1];
}

}  // namespace runtime
