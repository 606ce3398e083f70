#pragma once
// Text operations on GBK byte strings: two-byte characters are stepped over
// whole, so a trail byte that happens to equal a separator never splits a text.
#include <initializer_list>
#include <string_view>
#include <vector>

#include "runtime/gbk_codec.h"

namespace runtime {

Text JoinTexts(std::initializer_list<std::string_view> parts);

// Replaces occurrences of `old` from the 1-based `start`, left to right without
// overlap, at most `count` times (count < 0: all). Without case sensitivity
// ASCII letters compare equal regardless of case. The text before `start`
// is kept; a start below 1 counts as 1.
Text ReplaceSubtext(std::string_view text, std::string_view old,
                    std::string_view replacement = {}, int start = 1, int count = -1,
                    bool caseSensitive = true);

// True when the texts are equal with ASCII letters compared regardless of
// case; the trail bytes of two-byte characters always compare exactly.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// Pieces between separators; a non-empty tail is one more piece, an empty tail
// none; stops after maxParts pieces (maxParts < 0: no limit). An empty
// separator splits nothing: the whole text is the one piece.
std::vector<Text> SplitText(std::string_view text, std::string_view separator = ",",
                            int maxParts = -1);

// 1-based array read guarded like every array read of the console: an index
// below 1 or beyond the size is a runtime error (codes 4 and 1).
const Text& ArrayItem(const std::vector<Text>& items, int index);

}  // namespace runtime
