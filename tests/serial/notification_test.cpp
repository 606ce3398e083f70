#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/line_watch.h"
#include "serial/notification.h"
#include "serial/notification_queue.h"
#include "serial/parity_marks.h"

namespace serial {
namespace {

TEST(Notification, EachCodeRaisesItsEvent) {
    const struct {
        std::uint16_t code;
        std::optional<UnitEvent> event;
    } table[] = {
        {0x402, UnitEvent{0, 1}}, {0x403, UnitEvent{0, 2}},  {0x404, UnitEvent{0, 3}}, {0x405, UnitEvent{0, 4}},
        {0x406, UnitEvent{0, 5}}, {0x407, UnitEvent{0, 6}},  {0x409, UnitEvent{0, 7}}, {0x40A, UnitEvent{0, 8}},
        {0x40B, UnitEvent{0, 9}}, {0x40C, UnitEvent{0, 10}}, {0x401, std::nullopt},    {0x40D, std::nullopt},
        {0, std::nullopt},
    };
    for (const auto& row : table) EXPECT_EQ(eventFor({row.code, 0}), row.event) << std::hex << row.code;
    EXPECT_EQ(eventFor(byteNotification(0)), (UnitEvent{1, 0}));
    EXPECT_EQ(eventFor(byteNotification(255)), (UnitEvent{1, 255}));
    EXPECT_EQ(eventFor({kByteReceived, 0x1A5}), (UnitEvent{1, 0xA5}));  // the low byte
}

TEST(NotificationQueue, TellsWhenItWentFromEmptyToNonEmpty) {
    NotificationQueue queue;
    EXPECT_TRUE(queue.append(byteNotification(1)));
    EXPECT_FALSE(queue.append(byteNotification(2)));
    EXPECT_FALSE(queue.append(std::span<const Notification>{}));
    EXPECT_EQ(queue.takeAll(), (std::vector<Notification>{byteNotification(1), byteNotification(2)}));
    EXPECT_TRUE(queue.takeAll().empty());
    EXPECT_TRUE(queue.append(byteNotification(3)));
    queue.clear();
    EXPECT_TRUE(queue.append(byteNotification(4)));
}

TEST(NotificationQueue, ReportsFullAtItsLimitAndWhetherATakeFreedRoom) {
    NotificationQueue queue(3);
    const std::vector<Notification> two{byteNotification(1), byteNotification(2)};
    queue.append(two);
    EXPECT_FALSE(queue.isFull());
    bool wasFull = true;
    queue.takeAll(&wasFull);
    EXPECT_FALSE(wasFull);
    queue.append(two);
    queue.append(two);  // a chunk may overshoot the limit; the reader then waits
    EXPECT_TRUE(queue.isFull());
    EXPECT_EQ(queue.highWaterMark(), 4u);
    EXPECT_EQ(queue.takeAll(&wasFull).size(), 4u);
    EXPECT_TRUE(wasFull);
    EXPECT_FALSE(queue.isFull());
}

// --- parity marks ----------------------------------------------------------

std::vector<Notification> decodeChunks(ParityMarkDecoder decoder, const std::vector<std::string>& chunks) {
    std::vector<Notification> out;
    for (const std::string& chunk : chunks)
        decoder.decode({reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size()}, out);
    return out;
}

const Notification kError = statusNotification(kLineError);
const Notification kBreak = statusNotification(kBreakDetected);
const Notification kEventChar = statusNotification(kEventCharReceived);
Notification b(int v) { return byteNotification(static_cast<std::uint8_t>(v)); }

struct MarkCase {
    const char* name;
    std::vector<std::string> chunks;
    std::vector<Notification> expected;
};

class ParityMarkTest : public ::testing::TestWithParam<MarkCase> {};

TEST_P(ParityMarkTest, DecodesMarks) {
    EXPECT_EQ(decodeChunks(ParityMarkDecoder(true, std::nullopt), GetParam().chunks), GetParam().expected);
}

using namespace std::string_literals;
INSTANTIATE_TEST_SUITE_P(
    Marks, ParityMarkTest,
    ::testing::Values(MarkCase{"plain", {"\x01\xA1\x00"s}, {b(1), b(0xA1), b(0)}},
                      MarkCase{"doubled_ff", {"\x10\xFF\xFF\x20"s}, {b(0x10), b(0xFF), b(0x20)}},
                      MarkCase{"doubled_ff_split", {"\xFF"s, "\xFF"s}, {b(0xFF)}},
                      MarkCase{"bad_byte", {"\xFF\x00\x41"s}, {kError, b(0x41)}},
                      MarkCase{"bad_byte_split", {"\xFF"s, "\x00"s, "\x41\x42"s}, {kError, b(0x41), b(0x42)}},
                      MarkCase{"bad_ff", {"\xFF\x00\xFF"s}, {kError, b(0xFF)}},
                      MarkCase{"break", {"\x05\xFF\x00\x00\x06"s}, {b(5), kBreak, b(6)}},
                      MarkCase{"stray_ff_keeps_both", {"\xFF\x33"s}, {b(0xFF), b(0x33)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParityMarks, WithoutMarkingEveryByteIsData) {
    EXPECT_EQ(decodeChunks(ParityMarkDecoder(false, std::nullopt), {"\xFF\xFF\xFF\x00\x00"s}),
              (std::vector<Notification>{b(0xFF), b(0xFF), b(0xFF), b(0), b(0)}));
}

TEST(ParityMarks, AllByteValuesSurviveMarking) {
    std::string wire;
    std::vector<Notification> expected;
    for (int v = 0; v < 256; ++v) {
        wire += static_cast<char>(v);
        if (v == 0xFF) wire += '\xFF';
        expected.push_back(b(v));
    }
    EXPECT_EQ(decodeChunks(ParityMarkDecoder(true, std::nullopt), {wire.substr(0, 255), wire.substr(255)}), expected);
}

TEST(ParityMarks, EventCharacterIsNotifiedBeforeItsByte) {
    EXPECT_EQ(decodeChunks(ParityMarkDecoder(true, std::uint8_t{'\n'}), {"a\nb\xFF\x00\n"s}),
              (std::vector<Notification>{b('a'), kEventChar, b('\n'), b('b'), kError, kEventChar, b('\n')}));
}

TEST(ParityMarks, ResetForgetsAHalfReadMark) {
    ParityMarkDecoder decoder(true, std::nullopt);
    std::vector<Notification> out;
    const std::uint8_t ff = 0xFF, x = 0x41;
    decoder.decode({&ff, 1}, out);
    decoder.reset();
    decoder.decode({&x, 1}, out);
    EXPECT_EQ(out, std::vector<Notification>{b(0x41)});
}

// --- line changes ----------------------------------------------------------

std::vector<Notification> changes(const LineSnapshot& before, const LineSnapshot& now, bool marks = false) {
    std::vector<Notification> out;
    lineChanges(before, now, marks, out);
    return out;
}

Notification s(NotificationCode code) { return statusNotification(code); }

TEST(LineChanges, ModemLevelsGiveOnAndOffInCtsDsrCarrierOrder) {
    LineSnapshot before{std::nullopt, ModemLines{false, true, false, false}};
    LineSnapshot now{std::nullopt, ModemLines{true, false, false, true}};
    EXPECT_EQ(changes(before, now), (std::vector<Notification>{s(kCtsOn), s(kDsrOff), s(kCarrierOn)}));
    EXPECT_TRUE(changes(now, now).empty());
}

TEST(LineChanges, CountersCatchPulsesShorterThanThePoll) {
    LineCounters a;
    LineCounters c = a;
    c.cts = 2;  // went on and off again between two polls
    LineSnapshot before{a, ModemLines{}};
    LineSnapshot now{c, ModemLines{}};
    EXPECT_EQ(changes(before, now), std::vector<Notification>{s(kCtsOff)});
}

TEST(LineChanges, ErrorsBreaksAndRingComeFirstInOrder) {
    LineCounters a;
    LineCounters c;
    c.breaks = 1;
    c.overrun = 3;
    c.ring = 1;
    c.carrier = 1;
    LineSnapshot before{a, ModemLines{}};
    LineSnapshot now{c, ModemLines{false, false, false, true}};
    EXPECT_EQ(changes(before, now),
              (std::vector<Notification>{s(kBreakDetected), s(kLineError), s(kRingIndicator), s(kCarrierOn)}));
}

TEST(LineChanges, MarkedErrorsAreNotCountedTwiceButOverrunsAre) {
    LineCounters a;
    LineCounters framing;
    framing.frame = 1;
    framing.parity = 1;
    framing.breaks = 1;
    EXPECT_EQ(changes({a, {}}, {framing, {}}, false), (std::vector<Notification>{s(kBreakDetected), s(kLineError)}));
    EXPECT_TRUE(changes({a, {}}, {framing, {}}, true).empty());
    LineCounters overrun;
    overrun.bufferOverrun = 1;
    EXPECT_EQ(changes({a, {}}, {overrun, {}}, true), std::vector<Notification>{s(kLineError)});
}

TEST(LineChanges, PseudoTerminalsTellNothing) { EXPECT_TRUE(changes({}, {}).empty()); }

}  // namespace
}  // namespace serial
