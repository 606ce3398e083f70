#pragma once
// Colour values arrive in two byte orders: Windows values (0x00BBGGRR, the
// port lamp) and RGB with red in the low byte (the chart), which is the same
// layout. Qt wants red, green, blue separately; convert here and nowhere else.
#include <QColor>
#include <cstdint>

namespace platform {

inline QColor colourFromBgr(std::uint32_t value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}
inline std::uint32_t bgrFromColour(const QColor& colour) {
    return std::uint32_t(colour.red()) | (std::uint32_t(colour.green()) << 8) |
           (std::uint32_t(colour.blue()) << 16);
}

}  // namespace platform
