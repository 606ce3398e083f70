#include "serial/port_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace serial {
namespace {

struct ClampCase {
    int slot;
    std::int32_t written;
    std::int32_t stored;
};

class ClampTest : public ::testing::TestWithParam<ClampCase> {};

TEST_P(ClampTest, WriteStoresTheClampedValue) {
    const ClampCase& c = GetParam();
    PortSettings settings;
    ASSERT_TRUE(storeInteger(settings, c.slot, c.written));
    EXPECT_EQ(integerProperty(settings, c.slot), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    WriteRules, ClampTest,
    ::testing::Values(ClampCase{kStopBitsSlot, 7, 3}, ClampCase{kStopBitsSlot, 0, 1}, ClampCase{kStopBitsSlot, 2, 2},
                      ClampCase{kParitySlot, -1, 0}, ClampCase{kParitySlot, 5, 4}, ClampCase{kParitySlot, 3, 3},
                      ClampCase{kFlowControlSlot, 9, 5}, ClampCase{kFlowControlSlot, -3, 0},
                      ClampCase{kPortNumberSlot, 0, 1}, ClampCase{kPortNumberSlot, -7, 1},
                      ClampCase{kPortNumberSlot, 12, 12}, ClampCase{kBaudRateSlot, -9600, 0},
                      ClampCase{kBaudRateSlot, 2400, 2400}, ClampCase{kTimeoutSlot, -1, 0},
                      ClampCase{kRtsControlSlot, 3, 2}, ClampCase{kDtrControlSlot, -1, 0},
                      // Kept unchanged: only their low byte / bit 0 matter later.
                      ClampCase{kDataBitsSlot, 300, 300}, ClampCase{kParityCheckSlot, 6, 6},
                      ClampCase{kOpenOnCreateSlot, -2, -2}));

TEST(PortSettings, NonIntegerSlotsAreNotStored) {
    PortSettings settings;
    for (int slot : {0, 7, int{kEventCharSlot}, 20}) {
        EXPECT_FALSE(storeInteger(settings, slot, 5)) << slot;
        EXPECT_FALSE(integerProperty(settings, slot)) << slot;
    }
    EXPECT_EQ(settings, PortSettings{});
}

// Blocks are built by hand here, byte by byte, so a mistake in the encoder
// cannot hide behind the same mistake in the decoder.
std::string le(std::int32_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
    return out;
}

std::string handBlock(std::int32_t version, const std::string& eventChar, std::vector<std::int32_t> tail) {
    std::string b = le(version) + le(5) + le(38400) + le(7) + le(3) + le(1) + le(250) + le(1) +
                    le(static_cast<std::int32_t>(eventChar.size())) + eventChar;
    for (std::int32_t v : tail) b += le(v);
    return b;
}

struct VersionCase {
    std::int32_t version;
    std::vector<std::int32_t> tail;  // Parity, FlowControl, RtsControl, DtrControl as present
};

class BlockVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(BlockVersionTest, LoadsPresentFieldsAndKeepsDefaultsForTheRest) {
    const VersionCase& c = GetParam();
    const std::optional<PortSettings> loaded = decodePropertyBlock(handBlock(c.version, "\n", c.tail));
    ASSERT_TRUE(loaded);
    PortSettings expected;
    expected.portNumber = 5;
    expected.baudRate = 38400;
    expected.dataBits = 7;
    expected.stopBits = 3;
    expected.parityCheck = 1;
    expected.timeoutMs = 250;
    expected.openOnCreate = 1;
    expected.eventChar = "\n";
    std::int32_t* later[] = {&expected.parity, &expected.flowControl, &expected.rtsControl, &expected.dtrControl};
    for (std::size_t i = 0; i < c.tail.size(); ++i) *later[i] = c.tail[i];
    EXPECT_EQ(*loaded, expected);

    // Saving always writes the current version with every field.
    const std::string saved = encodePropertyBlock(*loaded);
    std::vector<std::int32_t> fullTail{expected.parity, expected.flowControl, expected.rtsControl, expected.dtrControl};
    EXPECT_EQ(saved, handBlock(4, "\n", fullTail));
    EXPECT_EQ(decodePropertyBlock(saved), expected);
}

INSTANTIATE_TEST_SUITE_P(Versions, BlockVersionTest,
                         ::testing::Values(VersionCase{1, {}}, VersionCase{2, {2}}, VersionCase{3, {2, 5}},
                                           VersionCase{4, {2, 5, 1, 2}}));

TEST(PropertyBlock, NewerVersionFails) {
    EXPECT_FALSE(decodePropertyBlock(handBlock(5, "", {0, 0, 0, 0})));
    EXPECT_FALSE(decodePropertyBlock(handBlock(0x7FFFFFFF, "", {0, 0, 0, 0})));
}

TEST(PropertyBlock, BlockThatEndsEarlyFails) {
    const std::string full = handBlock(4, "ab", {1, 2, 0, 1});
    for (std::size_t cut : {std::size_t{0}, std::size_t{3}, std::size_t{20}, std::size_t{33}, std::size_t{37},
                            full.size() - 1}) {
        EXPECT_FALSE(decodePropertyBlock(std::string_view(full).substr(0, cut))) << cut;
    }
    // An event character count that runs past the end, or is negative.
    std::string damaged = full;
    damaged.replace(32, 4, le(1000));
    EXPECT_FALSE(decodePropertyBlock(damaged));
    damaged.replace(32, 4, le(-1));
    EXPECT_FALSE(decodePropertyBlock(damaged));
}

TEST(PropertyBlock, StoredValuesLoadAsStored) {
    // A stored port number 0 stays 0 (property writes would make it 1), so
    // Open can refuse it.
    std::string block = handBlock(4, "", {9, 9, 9, 9});
    block.replace(4, 4, le(0));
    const std::optional<PortSettings> loaded = decodePropertyBlock(block);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->portNumber, 0);
    EXPECT_EQ(loaded->parity, 9);
}

TEST(PropertyBlock, EventCharacterBytesRoundTrip) {
    PortSettings settings;
    settings.eventChar = std::string("\0\xFF\xB5\xE7", 4);
    EXPECT_EQ(decodePropertyBlock(encodePropertyBlock(settings)), settings);
}

}  // namespace
}  // namespace serial
