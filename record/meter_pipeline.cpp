#include "record/meter_pipeline.h"

#include <utility>

#include "meter/frame_decoder.h"
#include "meter/reading_display.h"

namespace record {

MeterPipeline::MeterPipeline() : m_readouts{"0", "0", "0", "0", "0", "0", "0"} {}

bool MeterPipeline::receiveByte(int byte, std::int64_t nowMs) {
    const bool complete = meter::assembleFrameByte(byte, m_inFrameFlag, m_byteCounter, m_frameText);
    m_lastByteMs = nowMs;
    if (!complete) return false;
    applyFrame(nowMs);
    return true;
}

void MeterPipeline::applyFrame(std::int64_t nowMs) {
    std::optional<meter::DecodedFrame> frame = meter::decodeFrame(m_frameText);
    m_frameText.clear();
    if (!frame) return;
    ++m_framesDecoded;
    m_lastFrameMs = nowMs;
    m_readouts.voltage = std::move(frame->voltage);
    if (frame->current) m_readouts.current = std::move(*frame->current);
    if (frame->temperature) m_readouts.temperature = std::move(*frame->temperature);
    // Power and resistance from the read-outs as they now read, which
    // includes a current that this frame left unchanged.
    m_readouts.power = meter::powerText(meter::powerFrom(m_readouts.voltage, m_readouts.current));
    if (auto text = meter::resistanceText(meter::resistanceFrom(m_readouts.voltage, m_readouts.current))) {
        m_readouts.resistance = std::move(*text);
    }
    m_freshFrame = true;
}

void MeterPipeline::integrateOneSecond() {
    meter::SecondTotals totals = meter::integrateOneSecond(m_readouts.voltage, m_readouts.current,
                                                               m_energyAccumulator, m_chargeAccumulator);
    if (totals.energy) m_readouts.energy = std::move(*totals.energy);
    if (totals.charge) m_readouts.charge = std::move(*totals.charge);
}

bool MeterPipeline::clearIfStale(runtime::DateTime now, std::int64_t nowMs) {
    if (!meter::readoutsStale(m_lastByteMs, nowMs, {}, now)) return false;
    // Energy and charge are running totals; the temperature keeps its reading.
    for (runtime::Text* live : {&m_readouts.voltage, &m_readouts.current, &m_readouts.power, &m_readouts.resistance}) {
        live->assign(1, '0');
    }
    return true;
}

runtime::Text MeterPipeline::rowText(runtime::DateTime now) const {
    return meter::recordingRowText(now, m_readouts);
}

bool MeterPipeline::takeFreshFrame() { return std::exchange(m_freshFrame, false); }

}  // namespace record
