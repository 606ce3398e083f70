#include "record/recorder_ticks.h"

#include "record/meter_recorder.h"

namespace record {

publish::MeterTick meterTick(const MeterRecorder& meter, runtime::DateTime now) {
    const meter::ReadoutTexts& texts = meter.pipeline().readouts();
    const RunSummary& summary = meter.summary();
    publish::MeterTick tick;
    tick.time = publish::tickTime(now);
    tick.readouts = {texts.voltage, texts.current, texts.power, texts.resistance,
                     texts.energy,  texts.charge,  texts.temperature};
    tick.frames = meter.pipeline().framesDecoded();
    tick.rowsWritten = std::uint64_t(meter.rowsWritten());
    tick.rowWriteFailures = std::uint64_t(summary.rowWriteFailures);
    tick.deviceLosses = std::uint64_t(summary.deviceLosses);
    tick.deviceAway = meter.deviceAway();
    tick.up = meter.pipeline().live(runtime::MonotonicMilliseconds());
    tick.stopped = !meter.running();
    return tick;
}

web::WebTick webTick(const MeterRecorder& meter, runtime::DateTime now, bool row) {
    web::WebTick tick;
    tick.meter = meterTick(meter, now);
    tick.row = row;
    tick.elapsedSeconds = meter.elapsedSeconds();
    tick.wattHours = meter.pipeline().energyWattSeconds() / 3600.0;
    tick.ampereHours = meter.pipeline().chargeAmpereSeconds() / 3600.0;
    tick.secondsBelow = meter.secondsBelowCutoff();
    if (!meter.running()) {
        tick.stopReason = stopReasonName(meter.summary().stopReason);
        // The day files' count at the end, once the writer has finished.
        tick.meter.rowsWritten = std::uint64_t(meter.summary().rowsWritten);
    }
    return tick;
}

}  // namespace record
