#pragma once
// The receiving side: meter frames assembled from single bytes, decoded into
// the read-outs, and the once-a-second integration of energy and charge.
//
// Wire format. A frame is 18 bytes with no length, checksum or end marker:
//
//   byte 0      start byte and voltage scale: 160 (0xA0) four decimals,
//               161 (0xA1) three, 162 (0xA2) two
//   bytes 1, 2  not used
//   byte 3      current decimal code: 0 four decimals, 16 (0x10) three,
//               32 (0x20) two; other codes leave the current as it was
//   bytes 4-8   voltage digits, most significant first, as values 0..9
//   bytes 9-13  current digits
//   byte 14     temperature sign code: 43 ('+') or 0 "+", 45 ('-') "-",
//               1 "1" (a hundreds digit); others leave the temperature
//   bytes 15-17 temperature in tenths of a degree, three digits
//
// While a frame arrives it is kept as the decimal text of each byte, with a
// "." in front of bytes 1, 2, 3, 4, 9, 14 and 15, so a complete frame splits
// into eight fields: start, 1, 2, current code, voltage digits, current
// digits, sign code, temperature digits (A1 07 00 10 01 02 03 04 05 00 01 02
// 03 04 2B 02 05 03 reads 161.7.0.16.12345.01234.43.253). Digit bytes are not
// range-checked: a byte of 10 or more just makes its field longer.
#include <optional>
#include <string_view>

#include "runtime/gbk_codec.h"

namespace meter {

// Takes one received byte into the frame being assembled. Returns true when
// it completed a frame, which `frameText` then holds. A start byte always
// begins a new frame, discarding a partial one, even in the last position.
// Bytes outside a frame are ignored.
bool assembleFrameByte(int byte, int& inFrameFlag, int& byteCounter, runtime::Text& frameText);

// The read-out texts of one frame. An absent current or temperature means an
// unknown code: that read-out keeps its text.
struct DecodedFrame {
    runtime::Text voltage;
    std::optional<runtime::Text> current;
    std::optional<runtime::Text> temperature;
};

// Nothing for a text that is not a complete frame (the assembler never hands
// one over).
std::optional<DecodedFrame> decodeFrame(std::string_view frameText);

// Power and resistance from the voltage and current as displayed, held in
// single precision, which the power and resistance bands depend on.
float powerFrom(std::string_view voltageText, std::string_view currentText);
float resistanceFrom(std::string_view voltageText, std::string_view currentText);

// The energy and charge read-out texts after one more second at the voltage
// and current as displayed (read in single precision, summed in double).
// An absent text means the read-out keeps its text for this second.
struct SecondTotals {
    std::optional<runtime::Text> energy;  // Wh
    std::optional<runtime::Text> charge;  // Ah
};
SecondTotals integrateOneSecond(std::string_view voltageText, std::string_view currentText,
                                double& energyAccumulator, double& chargeAccumulator);

}  // namespace meter
