#include "console/frame_receiving.h"

#include <cmath>

#include "console/control_ids.h"
#include "meter/frame_decoder.h"
#include "meter/reading_display.h"
#include "runtime/date_time.h"

namespace console {
namespace {

void writeUpdateStamp(Console& console)
{
    // Bytes come thousands of times a second, the stamp changes once a
    // second: its text is only worked out when the clock's second moved on.
    const runtime::DateTime now = runtime::Now();
    const std::int64_t second = std::llround(now * 86'400'000.0) / 1000;
    if (console.values.lastStampSecond != second) {
        console.form.setText(kUpdateStamp, meter::updateStampText(now));
        console.values.lastStampSecond = second;
    }
    console.values.lastByteMonotonicMs = runtime::MonotonicMilliseconds();
}

// Power and resistance come from the read-outs as they now read, which
// includes a current that this frame left unchanged.
void writeDerivedReadouts(platform::Form& form)
{
    const runtime::Text voltage = form.text(kVoltageReadout);
    const runtime::Text current = form.text(kCurrentReadout);
    form.setText(kPowerReadout, meter::powerText(meter::powerFrom(voltage, current)));
    if (auto text = meter::resistanceText(meter::resistanceFrom(voltage, current))) {
        form.setText(kResistanceReadout, std::move(*text));
    }
}

void decodeIntoReadouts(Console& console)
{
    platform::Form& form = console.form;
    if (auto frame = meter::decodeFrame(console.values.frameText)) {
        ++console.values.framesDecoded;
        form.setText(kVoltageReadout, std::move(frame->voltage));
        if (frame->current) form.setText(kCurrentReadout, std::move(*frame->current));
        if (frame->temperature) form.setText(kTemperatureReadout, std::move(*frame->temperature));
        writeDerivedReadouts(form);
    }
    console.values.frameText.clear();
}

}  // namespace

void onByteReceived(Console& console, int byte)
{
    ProgramValues& values = console.values;
    const bool complete = meter::assembleFrameByte(byte, values.inFrameFlag, values.byteCounter, values.frameText);
    // Every byte counts as a sign of life, inside a frame or not.
    writeUpdateStamp(console);
    if (complete) decodeIntoReadouts(console);
}

void accumulateOneSecond(Console& console)
{
    platform::Form& form = console.form;
    ProgramValues& values = console.values;
    meter::SecondTotals totals = meter::integrateOneSecond(form.text(kVoltageReadout), form.text(kCurrentReadout),
                                             values.energyAccumulator, values.chargeAccumulator);
    if (totals.energy) form.setText(kEnergyReadout, std::move(*totals.energy));
    if (totals.charge) form.setText(kChargeReadout, std::move(*totals.charge));
}

void discardFrameText(Console& console)
{
    // Bytes still queued from before the close must not complete the frame.
    console.values.inFrameFlag = 0;
    console.values.byteCounter = 0;
    console.values.frameText.clear();
    console.form.setText(kFrameText, runtime::Text());
}

}  // namespace console
