// Any byte stream through frame assembly, decoding and the display rules.
// Holds when: nothing crashes, the frame text stays within one frame's
// length, and every completed frame text is a well-formed frame.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "meter/frame_decoder.h"
#include "meter/reading_display.h"

namespace {

// Start byte (3 characters), 17 bytes of up to 3 characters, 7 separators.
constexpr std::size_t kLongestFrameText = 3 + 17 * 3 + 7;

void check(bool condition)
{
    if (!condition) std::abort();
}

void decodeAndDisplay(const runtime::Text& frameText, runtime::Text& current)
{
    check(std::count(frameText.begin(), frameText.end(), '.') == 7);
    const auto frame = meter::decodeFrame(frameText);
    check(frame.has_value());
    if (frame->current) current = *frame->current;
    const float power = meter::powerFrom(frame->voltage, current);
    check(!meter::powerText(power).empty());
    (void)meter::resistanceText(meter::resistanceFrom(frame->voltage, current));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    int inFrame = 0;
    int counter = 0;
    runtime::Text frameText;
    runtime::Text current = "0";
    for (std::size_t i = 0; i < size; ++i) {
        const bool complete = meter::assembleFrameByte(data[i], inFrame, counter, frameText);
        check(frameText.size() <= kLongestFrameText);
        check(inFrame == 0 ? counter == 0 : counter >= 1 && counter <= 17);
        if (complete) {
            check(inFrame == 0 && counter == 0);
            decodeAndDisplay(frameText, current);
            frameText.clear();
        }
    }
    // The decoder on its own must refuse anything that is not a frame.
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    if (const auto frame = meter::decodeFrame(raw)) check(!frame->voltage.empty());
    return 0;
}
