#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/line_watch.h"
#include "serial/notification.h"
#include "serial/notification_queue.h"
#include "serial/parity_marks.h"

namespace serial {
namespace {

using namespace std::string_literals;
using Notifications = std::vector<Notification>;

Notification b(int v) { return byteNotification(static_cast<std::uint8_t>(v)); }
Notification s(NotificationCode code) { return statusNotification(code); }

TEST(Notification, EachCodeRaisesItsEvent) {
    // CommEvent 1..10 in order, skipping 0x408 (a received byte).
    const std::uint16_t codes[] = {0x402, 0x403, 0x404, 0x405, 0x406, 0x407, 0x409, 0x40A, 0x40B, 0x40C};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(eventFor({codes[i], 0}), (UnitEvent{0, i + 1})) << codes[i];
    for (std::uint16_t code : {0x401, 0x40D, 0}) EXPECT_EQ(eventFor({code, 0}), std::nullopt) << code;
    EXPECT_EQ(eventFor({kByteReceived, 0x1A5}), (UnitEvent{1, 0xA5}));  // the low byte
}

// The reader nudges the GUI thread only when the queue goes from empty to
// non-empty, and waits for room once the queue is full.
TEST(NotificationQueue, TellsWhenItBecameNonEmptyOrFullAndWhetherATakeFreedRoom) {
    NotificationQueue queue(3);
    EXPECT_TRUE(queue.append(b(1)));
    EXPECT_FALSE(queue.append(b(2)));
    EXPECT_FALSE(queue.append(std::span<const Notification>{}));
    bool wasFull = true;
    EXPECT_EQ(queue.takeAll(&wasFull), (Notifications{b(1), b(2)}));
    EXPECT_FALSE(wasFull);
    const Notifications two{b(3), b(4)};
    EXPECT_TRUE(queue.append(two));
    queue.append(two);  // a chunk may overshoot the limit; the reader then waits
    EXPECT_TRUE(queue.isFull());
    EXPECT_EQ(queue.highWaterMark(), 4u);
    EXPECT_EQ(queue.takeAll(&wasFull).size(), 4u);
    EXPECT_TRUE(wasFull);
    EXPECT_FALSE(queue.isFull());
    queue.append(b(5));
    queue.clear();
    EXPECT_TRUE(queue.append(b(6)));
}

Notifications decodeChunks(ParityMarkDecoder decoder, const std::vector<std::string>& chunks) {
    Notifications out;
    for (const std::string& chunk : chunks)
        decoder.decode({reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size()}, out);
    return out;
}

TEST(ParityMarks, DecodesMarksAcrossChunks) {
    const Notification kError = s(kLineError), kEventChar = s(kEventCharReceived);
    const struct {
        bool marks;
        std::optional<std::uint8_t> eventChar;
        std::vector<std::string> chunks;
        Notifications expected;
    } table[] = {
        {true, {}, {"\xFF"s, "\xFF"s}, {b(0xFF)}},
        {true, {}, {"\xFF"s, "\x00"s, "\x41\x42"s}, {kError, b(0x41), b(0x42)}},
        {true, {}, {"\xFF\x00\xFF"s}, {kError, b(0xFF)}},
        {true, {}, {"\x05\xFF\x00\x00\x06"s}, {b(5), s(kBreakDetected), b(6)}},
        {true, {}, {"\xFF\x33"s}, {b(0xFF), b(0x33)}},  // a stray 0xFF keeps both bytes
        {false, {}, {"\xFF\xFF\xFF\x00\x00"s}, {b(0xFF), b(0xFF), b(0xFF), b(0), b(0)}},
        // The event character is notified right before its byte.
        {true, '\n', {"a\nb\xFF\x00\n"s}, {b('a'), kEventChar, b('\n'), b('b'), kError, kEventChar, b('\n')}},
    };
    for (std::size_t i = 0; i < std::size(table); ++i)
        EXPECT_EQ(decodeChunks(ParityMarkDecoder(table[i].marks, table[i].eventChar), table[i].chunks),
                  table[i].expected)
            << "row " << i;
}

TEST(LineChanges, ComeInTheOrderOfAPortEvent) {
    // Counters catch pulses shorter than the poll; with marks in the data,
    // parity and framing errors and breaks are not counted twice, overruns are.
    const LineCounters zero;
    const LineCounters errors{.frame = 1, .parity = 1, .breaks = 1};
    const LineCounters busy{.ring = 1, .carrier = 1, .overrun = 3, .breaks = 1};
    const struct {
        LineSnapshot before, now;
        bool marks;
        Notifications expected;
    } table[] = {
        {{{}, ModemLines{false, true, false, false}}, {{}, ModemLines{true, false, false, true}}, false,
         {s(kCtsOn), s(kDsrOff), s(kCarrierOn)}},
        {{zero, ModemLines{}}, {LineCounters{.cts = 2}, ModemLines{}}, false, {s(kCtsOff)}},
        {{zero, ModemLines{}}, {busy, ModemLines{.carrier = true}}, false,
         {s(kBreakDetected), s(kLineError), s(kRingIndicator), s(kCarrierOn)}},
        {{zero, {}}, {errors, {}}, false, {s(kBreakDetected), s(kLineError)}},
        {{zero, {}}, {errors, {}}, true, {}},
        {{zero, {}}, {LineCounters{.bufferOverrun = 1}, {}}, true, {s(kLineError)}},
        {{}, {}, false, {}},  // pseudo-terminals tell nothing
    };
    for (std::size_t i = 0; i < std::size(table); ++i) {
        Notifications out;
        lineChanges(table[i].before, table[i].now, table[i].marks, out);
        EXPECT_EQ(out, table[i].expected) << "row " << i;
    }
}

}  // namespace
}  // namespace serial
