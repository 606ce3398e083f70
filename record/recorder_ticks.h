#pragma once
// A meter's state at a tick, as the network outputs and the web page take it:
// filled from what the meter's recorder already holds.
#include "publish/meter_tick.h"
#include "runtime/date_time.h"
#include "web/web_tick.h"

namespace record {

class MeterRecorder;

publish::MeterTick meterTick(const MeterRecorder& meter, runtime::DateTime now);
// `row`: a row went to the day file; false when only the state changed.
web::WebTick webTick(const MeterRecorder& meter, runtime::DateTime now, bool row);

}  // namespace record
