#pragma once
// A window unit as the console sees it: properties addressed by slot number.
// Built-in controls (labels, edit boxes, buttons ...) and the units of their own
// subsystems (serial port, line chart) all implement this one interface, so the
// form reads and writes every control the same way.
#include <cstdint>
#include <functional>
#include <variant>

#include "runtime/gbk_codec.h"

namespace platform {

// Integer, double or GBK text (texts also carry byte blobs such as pictures).
using PropertyValue = std::variant<std::int32_t, double, runtime::Text>;

// Conversions between kinds follow the runtime rules (text -> number by
// ToInteger/ToNumber, double -> integer truncated, numbers -> text by ToText).
std::int32_t toInt(const PropertyValue& value);
double toDouble(const PropertyValue& value);
runtime::Text toText(const PropertyValue& value);

class Unit {
public:
    virtual ~Unit() = default;
    virtual PropertyValue readProperty(int slot) const = 0;
    // Stores the value (with the unit's own clamps). Never raises an event.
    virtual void writeProperty(int slot, const PropertyValue& value) = 0;
};

// Where a unit delivers its events: the event index and its one integer
// argument. Always called on the GUI thread.
using UnitEventSink = std::function<void(int eventIndex, std::int32_t argument)>;

}  // namespace platform
