#pragma once
// Event identities of the form's bindings. A unit's own events (serial port,
// line chart) use their unit-defined index, 0 and up; the built-in events of
// windows and controls use the negative identities below.
#include <cstdint>
#include <functional>
#include <span>

namespace platform {

enum BuiltinEvent : int {
    kCreated = -1,          // window: all controls exist, before the user can act
    kRightButtonDown = -2,  // window: right button on its own surface (x, y, keys)
    kClicked = -3,          // button, check box, radio box: a user click
    kContentChanged = -4,   // edit box: the user changed its content
    kTimerFired = -5,       // timer
};

using EventHandler = std::function<void(std::span<const std::int32_t> args)>;
// How a control reports one of its events to the form.
using EventRaiser = std::function<void(int event, std::span<const std::int32_t> args)>;

}  // namespace platform
