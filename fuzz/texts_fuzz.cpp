// SplitText and ReplaceSubtext on arbitrary bytes: the input is cut into a
// text, a separator or old text, and a replacement.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/texts.h"

namespace {

// Takes a piece that is at most `limit` bytes long, announced by its first byte.
std::string_view TakePiece(std::string_view& input, std::size_t limit)
{
    if (input.empty()) return {};
    const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>(input[0]) % (limit + 1),
                                                     input.size() - 1);
    const std::string_view piece = input.substr(1, length);
    input.remove_prefix(1 + length);
    return piece;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view separator = TakePiece(input, 3);
    const std::string_view replacement = TakePiece(input, 4);
    const int start = input.empty() ? 1 : static_cast<signed char>(input[0]) % 8;
    const std::string_view text = input;

    // Splitting and joining back with the separator gives the text, less a
    // trailing separator, when no piece limit applies.
    const auto pieces = runtime::SplitText(text, separator);
    runtime::Text joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) joined += separator;
        joined += pieces[i];
    }
    if (!separator.empty() && joined != text && joined + std::string(separator) != text) std::abort();
    if (runtime::SplitText(text, separator, 2).size() > 2) std::abort();

    // Replacing with the old text itself changes nothing; so does count 0.
    if (runtime::ReplaceSubtext(text, separator, separator, start, -1, true) != text) std::abort();
    if (runtime::ReplaceSubtext(text, separator, replacement, start, 0, false) != text) std::abort();
    runtime::ReplaceSubtext(text, separator, replacement, start, -1, false);
    return 0;
}
