#pragma once
// One meter's read-outs as the console would show them, kept without a
// window: received bytes assembled and decoded into the live read-outs, the
// once-a-second integration into Wh and Ah, the staleness rule, and the row
// text. The rules are the meter pipeline's (meter/); this class only holds
// the state that the console keeps in its read-out boxes.
//
// Times come in from the caller, so the same bytes at the same moments give
// the same rows in a test as in a recording.
#include <cstdint>
#include <optional>

#include "meter/recording_row.h"
#include "runtime/date_time.h"
#include "runtime/gbk_codec.h"

namespace record {

class MeterPipeline {
public:
    MeterPipeline();

    // One received byte (0..255) at monotonic `nowMs`. True when it
    // completed a frame that changed the read-outs.
    bool receiveByte(int byte, std::int64_t nowMs);
    // One second of energy and charge at the read-outs as they now read.
    void integrateOneSecond();
    // The staleness rule of a recording tick: clears the live read-outs of a
    // meter silent for 3 s. True when it cleared them.
    bool clearIfStale(runtime::DateTime now, std::int64_t nowMs);
    // The row that a recording tick at `now` inserts.
    runtime::Text rowText(runtime::DateTime now) const;

    const meter::ReadoutTexts& readouts() const { return m_readouts; }
    double energyWattSeconds() const { return m_energyAccumulator; }
    double chargeAmpereSeconds() const { return m_chargeAccumulator; }
    // Whether a frame arrived since the last call (a sign of a live meter).
    bool takeFreshFrame();
    // Frames decoded since the start.
    std::uint64_t framesDecoded() const { return m_framesDecoded; }
    // Whether a frame decoded within the staleness window before `nowMs`.
    // Bytes alone do not count: a wrong baud rate or parity gives bytes.
    bool live(std::int64_t nowMs) const {
        return m_lastFrameMs && !meter::readoutsStale(m_lastFrameMs, nowMs, {}, runtime::DateTime{});
    }

private:
    void applyFrame(std::int64_t nowMs);

    meter::ReadoutTexts m_readouts;
    int m_inFrameFlag = 0;
    int m_byteCounter = 0;
    runtime::Text m_frameText;
    double m_energyAccumulator = 0.0;
    double m_chargeAccumulator = 0.0;
    // The console's minute-and-second update stamp decides staleness only
    // while no byte has come, when it is still empty; every byte also sets
    // the monotonic time, which decides from then on. So the pipeline keeps
    // the monotonic time alone and judges with an empty stamp.
    std::optional<std::int64_t> m_lastByteMs;
    std::optional<std::int64_t> m_lastFrameMs;
    bool m_freshFrame = false;
    std::uint64_t m_framesDecoded = 0;
};

}  // namespace record
