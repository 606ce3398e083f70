#include "serial/port_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace serial {
namespace {

TEST(PortSettings, WritesStoreTheClampedValue) {
    const struct {
        int slot;
        std::int32_t written, stored;
    } table[] = {
        {kStopBitsSlot, 7, 3},     {kStopBitsSlot, 0, 1},     {kParitySlot, -1, 0},   {kParitySlot, 5, 4},
        {kFlowControlSlot, 9, 5},  {kFlowControlSlot, -3, 0}, {kPortNumberSlot, 0, 1}, {kPortNumberSlot, 12, 12},
        {kBaudRateSlot, -9600, 0}, {kTimeoutSlot, -1, 0},     {kRtsControlSlot, 3, 2}, {kDtrControlSlot, -1, 0},
        // Kept unchanged: only their low byte / bit 0 matter later.
        {kDataBitsSlot, 300, 300}, {kParityCheckSlot, 6, 6},  {kOpenOnCreateSlot, -2, -2},
    };
    for (const auto& c : table) {
        PortSettings settings;
        ASSERT_TRUE(storeInteger(settings, c.slot, c.written)) << c.slot;
        EXPECT_EQ(integerProperty(settings, c.slot), c.stored) << c.slot << " <- " << c.written;
    }
}

// Blocks are built by hand here, byte by byte, so a mistake in the encoder
// cannot hide behind the same mistake in the decoder.
std::string le(std::int32_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
    return out;
}

std::string handBlock(std::int32_t version, const std::string& eventChar, std::vector<std::int32_t> tail) {
    std::string b = le(version) + le(0) + le(38400) + le(7) + le(3) + le(1) + le(250) + le(1) +
                    le(static_cast<std::int32_t>(eventChar.size())) + eventChar;
    for (std::int32_t v : tail) b += le(v);
    return b;
}

TEST(PropertyBlock, EachVersionLoadsItsFieldsAndSavesAsTheCurrentOne) {
    const std::string eventChar("\0\xFF\xB5", 3);  // any bytes, a NUL too
    // Parity, FlowControl, RtsControl, DtrControl as each version has them.
    // Values load as stored, unclamped: port 0 and parity 9 stay, so Open can refuse them.
    const std::vector<std::int32_t> tails[] = {{}, {9}, {9, 5}, {9, 5, 1, 2}};
    for (std::int32_t version = 1; version <= 4; ++version) {
        SCOPED_TRACE(version);
        const std::vector<std::int32_t>& tail = tails[version - 1];
        const std::optional<PortSettings> loaded = decodePropertyBlock(handBlock(version, eventChar, tail));
        ASSERT_TRUE(loaded);
        PortSettings expected{.portNumber = 0, .baudRate = 38400, .dataBits = 7, .stopBits = 3, .parityCheck = 1,
                              .eventChar = eventChar, .timeoutMs = 250, .openOnCreate = 1};
        std::int32_t* later[] = {&expected.parity, &expected.flowControl, &expected.rtsControl, &expected.dtrControl};
        for (std::size_t i = 0; i < tail.size(); ++i) *later[i] = tail[i];
        EXPECT_EQ(*loaded, expected);

        const std::string saved = encodePropertyBlock(*loaded);
        EXPECT_EQ(saved, handBlock(4, eventChar,
                                   {expected.parity, expected.flowControl, expected.rtsControl, expected.dtrControl}));
        EXPECT_EQ(decodePropertyBlock(saved), expected);
    }
    EXPECT_FALSE(decodePropertyBlock(handBlock(5, "", {0, 0, 0, 0})));
}

TEST(PropertyBlock, BlockThatEndsEarlyFails) {
    const std::string full = handBlock(4, "ab", {1, 2, 0, 1});
    for (std::size_t cut : {std::size_t{3}, std::size_t{20}, std::size_t{37}, full.size() - 1})
        EXPECT_FALSE(decodePropertyBlock(std::string_view(full).substr(0, cut))) << cut;
    // An event character count that runs past the end, or is negative.
    std::string damaged = full;
    damaged.replace(32, 4, le(1000));
    EXPECT_FALSE(decodePropertyBlock(damaged));
    damaged.replace(32, 4, le(-1));
    EXPECT_FALSE(decodePropertyBlock(damaged));
}

}  // namespace
}  // namespace serial
