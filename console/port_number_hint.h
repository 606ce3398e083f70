#pragma once
// The port-number box's tooltip: each number that leads to a device right
// now, with the device and the adapter behind it, so a user can tell which
// number is their meter's. The box's items never change.
#include <QString>
#include <vector>

#include "console/console.h"
#include "serial/port_hints.h"

namespace console {

// The numbers the box offers ("1" to "20").
constexpr int kPortNumberCount = 20;

QString portNumberHint(const std::vector<serial::PortHint>& hints);

// Looks at the system now and puts the hint on the box; run each time the
// box is about to show its list or its tooltip.
void refreshPortNumberHint(Console& console);

}  // namespace console
