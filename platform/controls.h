#pragma once
// The built-in controls of a form: label, edit box, button, check box, radio
// box, combo box, shape and timer, each a platform::Unit over a Qt object.
#include <QPointer>
#include <functional>
#include <memory>

#include "platform/control_spec.h"
#include "platform/events.h"
#include "platform/unit.h"

class QWidget;

namespace platform {

// Slots shared by every control with a window: 0 left, 1 top, 2 width, 3 height.
enum CommonSlot : int { kSlotLeft = 0, kSlotTop = 1, kSlotWidth = 2, kSlotHeight = 3 };

// Slots of the built-in controls that the console uses.
enum ControlSlot : int {
    kSlotEditText = 8,       // edit box content; label caption
    kSlotComboText = 9,      // combo box current text
    kSlotComboIndex = 19,    // combo box selected index, -1 none
    kSlotChecked = 18,       // check and radio boxes: 1 / 0
    kSlotButtonCaption = 10,
    kSlotFillColour = 14,    // shape, Windows BGR value
    kSlotInterval = 8,       // timer, milliseconds
};

class Control : public Unit {
public:
    // The control's widget, or null for a timer.
    virtual QWidget* widget() const = 0;
    // Runs just before the control shows its drop-down list or its tooltip,
    // so that a text describing the machine's present state can be brought
    // up to date. Only combo boxes have such a moment; others ignore it.
    virtual void setAboutToShow(std::function<void()>) {}
    static std::unique_ptr<Control> create(const ControlSpec& spec, QWidget* parent,
                                           EventRaiser raise);
};

// Neutral fill of the port lamp before anything set it: neither green nor red.
constexpr std::uint32_t kShapeDesignColour = 0xD8DCE0;

}  // namespace platform
