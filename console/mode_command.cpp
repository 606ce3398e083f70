#include "console/mode_command.h"

#include "console/control_ids.h"
#include "serial/serial_port_unit.h"

namespace console {

void onModeButton(Console& console) {
    if (console.form.fillColour(kPortLamp) != kLampGreen) return;
    // Two one-byte writes, as the meter expects them; results are not looked at.
    console.port.Send("X");
    console.port.Send("T");
}

}  // namespace console
