#include "console/elapsed_timer.h"

#include "console/control_ids.h"
#include "console/frame_receiving.h"
#include "console/port_control.h"
#include "runtime/conversions.h"

namespace console {

void onTimingButton(Console& console) {
    platform::Form& form = console.form;
    if (console.values.timingFlag == 0) {
        console.values.timingFlag = 1;
        form.setInterval(kClockTimer, 1000);
        form.setCaption(kTimingButton, runtime::Gbk("停止计时"));
        // Timing a closed port would integrate zeros: open it as the open button does.
        if (form.fillColour(kPortLamp) != kLampGreen) openPort(console);
    } else {
        console.values.timingFlag = 0;
        form.setInterval(kClockTimer, 0);
        form.setCaption(kTimingButton, runtime::Gbk("开始计时"));
    }
}

void onClockTick(Console& console) {
    platform::Form& form = console.form;
    // The count lives only in the read-outs: each tick reads them back.
    const std::int32_t seconds = runtime::ToInteger(form.text(kSecondsReadout)) + 1;
    form.setText(kSecondsReadout, runtime::ToText(seconds));
    std::int32_t minutes = 0;
    if (seconds > 59) {
        form.setText(kSecondsReadout, "0");
        minutes = runtime::ToInteger(form.text(kMinutesReadout)) + 1;
        form.setText(kMinutesReadout, runtime::ToText(minutes));
    }
    if (minutes > 59) {
        form.setText(kMinutesReadout, "0");
        form.setText(kHoursReadout, runtime::ToText(runtime::ToInteger(form.text(kHoursReadout)) + 1));
    }
    accumulateOneSecond(console);
}

}  // namespace console
