#pragma once
// The serial port unit's stored configuration, its write rules and the unit's
// block of the form record. Pure data and functions: the Qt unit and both
// engines share them, and the Win32 build compiles them without Qt.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace serial {

// Property slots of the unit (slots 0..7 are the framework's common ones).
enum PropertySlot : int {
    kPortNumberSlot = 8,
    kBaudRateSlot = 9,
    kDataBitsSlot = 10,
    kStopBitsSlot = 11,
    kParityCheckSlot = 12,
    kEventCharSlot = 13,
    kTimeoutSlot = 14,
    kOpenOnCreateSlot = 15,
    kParitySlot = 16,
    kFlowControlSlot = 17,
    kRtsControlSlot = 18,
    kDtrControlSlot = 19,
};
constexpr int kFirstPropertySlot = kPortNumberSlot;
constexpr int kLastPropertySlot = kDtrControlSlot;

// Stop-bit codes as stored.
enum StopBitsCode : std::int32_t { kOneStopBit = 1, kOneAndHalfStopBits = 2, kTwoStopBits = 3 };
enum ParityCode : std::int32_t { kParityNone = 0, kParityOdd = 1, kParityEven = 2, kParityMark = 3, kParitySpace = 4 };
enum FlowControlCode : std::int32_t {
    kFlowNone = 0,
    kFlowRtsCts = 1,
    kFlowDtrCts = 2,
    kFlowRtsDsr = 3,
    kFlowDtrDsr = 4,
    kFlowXonXoff = 5,
};
// RtsControl: 1 drops RTS, 0 and 2 raise it. DtrControl: 1 drops DTR, 2 raises it, 0 leaves it.
enum LineControlCode : std::int32_t { kLineDefault = 0, kLineOff = 1, kLineOn = 2 };

struct PortSettings {
    std::int32_t portNumber = 1;
    std::int32_t baudRate = 19200;
    std::int32_t dataBits = 8;   // only the low byte is used
    std::int32_t stopBits = kOneStopBit;
    std::int32_t parityCheck = 0;  // only bit 0 is used
    std::string eventChar;         // first byte is the event character; empty = none
    std::int32_t timeoutMs = 1000;
    std::int32_t openOnCreate = 0;
    std::int32_t parity = kParityNone;
    std::int32_t flowControl = kFlowNone;
    std::int32_t rtsControl = kLineDefault;
    std::int32_t dtrControl = kLineDefault;

    bool parityChecking() const { return (parityCheck & 1) != 0; }
    std::uint8_t byteSize() const { return static_cast<std::uint8_t>(dataBits); }
    std::optional<std::uint8_t> eventCharacter() const {
        if (eventChar.empty()) return std::nullopt;
        return static_cast<std::uint8_t>(eventChar.front());
    }
    bool operator==(const PortSettings&) const = default;
};

// The value a write to an integer slot stores (clamps of the write rules).
// Slots without a rule, and slots that are not integers, return the value as given.
std::int32_t clampedValue(int slot, std::int32_t value);

// Stores an integer into a slot of the settings after its clamp; false for
// slots that are not integer properties of the unit.
bool storeInteger(PortSettings& settings, int slot, std::int32_t value);
std::optional<std::int32_t> integerProperty(const PortSettings& settings, int slot);

// The unit's block of the form record, all integers 32-bit little-endian:
//   version; PortNumber, BaudRate, DataBits, StopBits, ParityCheck; Timeout,
//   OpenOnCreate; EventChar as a byte count and its bytes; Parity (from
//   version 2); FlowControl (from version 3); RtsControl, DtrControl (from 4).
constexpr std::int32_t kPropertyBlockVersion = 4;

// Always writes the current version with every field.
std::string encodePropertyBlock(const PortSettings& settings);
// Versions up to 4; fields an older version lacks keep their defaults. A
// newer version, or a block that ends early, gives nullopt. Values are
// loaded as stored, without the clamps of property writes.
std::optional<PortSettings> decodePropertyBlock(std::string_view block);

}  // namespace serial
