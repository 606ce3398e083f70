#include "serial/port_settings.h"

#include <algorithm>
#include <cstring>

namespace serial {
namespace {

std::int32_t* integerField(PortSettings& s, int slot) {
    switch (slot) {
        case kPortNumberSlot: return &s.portNumber;
        case kBaudRateSlot: return &s.baudRate;
        case kDataBitsSlot: return &s.dataBits;
        case kStopBitsSlot: return &s.stopBits;
        case kParityCheckSlot: return &s.parityCheck;
        case kTimeoutSlot: return &s.timeoutMs;
        case kOpenOnCreateSlot: return &s.openOnCreate;
        case kParitySlot: return &s.parity;
        case kFlowControlSlot: return &s.flowControl;
        case kRtsControlSlot: return &s.rtsControl;
        case kDtrControlSlot: return &s.dtrControl;
        default: return nullptr;
    }
}

void appendInt(std::string& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((u >> shift) & 0xFF));
}

// Reads little-endian integers off the front of a block; any read past the
// end marks the whole read failed.
class BlockReader {
public:
    explicit BlockReader(std::string_view block) : m_rest(block) {}
    std::int32_t integer() {
        if (m_rest.size() < 4) return fail();
        std::uint32_t u = 0;
        for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(m_rest[static_cast<std::size_t>(i)]);
        m_rest.remove_prefix(4);
        return static_cast<std::int32_t>(u);
    }
    std::string bytes(std::int32_t count) {
        if (count < 0 || static_cast<std::size_t>(count) > m_rest.size()) {
            fail();
            return {};
        }
        std::string out(m_rest.substr(0, static_cast<std::size_t>(count)));
        m_rest.remove_prefix(static_cast<std::size_t>(count));
        return out;
    }
    bool ok() const { return m_ok; }

private:
    std::int32_t fail() {
        m_ok = false;
        m_rest = {};
        return 0;
    }
    std::string_view m_rest;
    bool m_ok = true;
};

}  // namespace

std::int32_t clampedValue(int slot, std::int32_t value) {
    switch (slot) {
        case kPortNumberSlot: return std::max(value, 1);
        case kBaudRateSlot:
        case kTimeoutSlot: return std::max(value, 0);
        case kStopBitsSlot: return std::clamp(value, 1, 3);
        case kParitySlot: return std::clamp(value, 0, 4);
        case kFlowControlSlot: return std::clamp(value, 0, 5);
        case kRtsControlSlot:
        case kDtrControlSlot: return std::clamp(value, 0, 2);
        default: return value;
    }
}

bool storeInteger(PortSettings& settings, int slot, std::int32_t value) {
    std::int32_t* field = integerField(settings, slot);
    if (field == nullptr) return false;
    *field = clampedValue(slot, value);
    return true;
}

std::optional<std::int32_t> integerProperty(const PortSettings& settings, int slot) {
    const std::int32_t* field = integerField(const_cast<PortSettings&>(settings), slot);
    if (field == nullptr) return std::nullopt;
    return *field;
}

std::string encodePropertyBlock(const PortSettings& s) {
    std::string out;
    appendInt(out, kPropertyBlockVersion);
    for (std::int32_t v : {s.portNumber, s.baudRate, s.dataBits, s.stopBits, s.parityCheck, s.timeoutMs, s.openOnCreate})
        appendInt(out, v);
    appendInt(out, static_cast<std::int32_t>(s.eventChar.size()));
    out += s.eventChar;
    for (std::int32_t v : {s.parity, s.flowControl, s.rtsControl, s.dtrControl}) appendInt(out, v);
    return out;
}

std::optional<PortSettings> decodePropertyBlock(std::string_view block) {
    BlockReader in(block);
    const std::int32_t version = in.integer();
    if (!in.ok() || version > kPropertyBlockVersion) return std::nullopt;

    PortSettings s;
    // Stored values are taken as they are (the write rules apply to property
    // writes); Open copes with any value.
    auto load = [&](int slot) { *integerField(s, slot) = in.integer(); };
    for (int slot : {kPortNumberSlot, kBaudRateSlot, kDataBitsSlot, kStopBitsSlot, kParityCheckSlot, kTimeoutSlot,
                     kOpenOnCreateSlot})
        load(slot);
    s.eventChar = in.bytes(in.integer());
    if (version >= 2) load(kParitySlot);
    if (version >= 3) load(kFlowControlSlot);
    if (version >= 4) {
        load(kRtsControlSlot);
        load(kDtrControlSlot);
    }
    if (!in.ok()) return std::nullopt;
    return s;
}

}  // namespace serial
