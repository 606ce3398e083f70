#pragma once
// A form: one top-level window and its units, addressed by unit id and
// property slot, with the event bindings of the program's handlers.
#include <QWidget>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/control_spec.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/unit.h"

namespace platform {

// The window addresses itself by this id when it reads or writes its own properties.
constexpr std::uint32_t kSelfUnitId = 0x06010000;

class FormWindow;

class Form {
public:
    struct Entry {
        std::string name;  // UTF-8, verbatim from the control table
        std::uint32_t unitId;
        Unit* unit;
        QWidget* widget;  // null for timers and windowless units
    };

    // outerWidth x outerHeight is the size of the window with a classic frame.
    Form(std::uint32_t windowId, const std::string& title, int outerWidth, int outerHeight);
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    QWidget* window() const;
    std::uint32_t windowId() const { return m_windowId; }

    void addControls(std::span<const ControlSpec> table);
    // A unit of another subsystem (serial port, line chart). The form does not own it.
    void addUnit(std::uint32_t unitId, const std::string& name, Unit* unit, QWidget* widget);

    PropertyValue ReadProperty(std::uint32_t unitId, int slot) const;
    void WriteProperty(std::uint32_t unitId, int slot, const PropertyValue& value);

    void bind(std::uint32_t unitId, int event, EventHandler handler);
    // Runs the bound handler, if any. Events raised while a handler runs wait
    // until it returns, so handlers always run one at a time.
    void raise(std::uint32_t unitId, int event, std::span<const std::int32_t> args = {});

    const std::vector<Entry>& entries() const { return m_entries; }
    const Entry* find(std::uint32_t unitId) const;
    const Entry* findByName(const std::string& name) const;

    // Typed accessors over the slots, for readable handlers.
    runtime::Text text(std::uint32_t editBox) const { return toText(ReadProperty(editBox, kSlotEditText)); }
    void setText(std::uint32_t editBox, runtime::Text text) { WriteProperty(editBox, kSlotEditText, std::move(text)); }
    std::int32_t checked(std::uint32_t box) const { return toInt(ReadProperty(box, kSlotChecked)); }
    void setChecked(std::uint32_t box, std::int32_t state) { WriteProperty(box, kSlotChecked, state); }
    std::int32_t interval(std::uint32_t timer) const { return toInt(ReadProperty(timer, kSlotInterval)); }
    void setInterval(std::uint32_t timer, std::int32_t ms) { WriteProperty(timer, kSlotInterval, ms); }
    std::uint32_t fillColour(std::uint32_t shape) const { return std::uint32_t(toInt(ReadProperty(shape, kSlotFillColour))); }
    void setFillColour(std::uint32_t shape, std::uint32_t bgr) { WriteProperty(shape, kSlotFillColour, std::int32_t(bgr)); }
    runtime::Text caption(std::uint32_t button) const { return toText(ReadProperty(button, kSlotButtonCaption)); }
    void setCaption(std::uint32_t button, runtime::Text text) { WriteProperty(button, kSlotButtonCaption, std::move(text)); }
    runtime::Text comboText(std::uint32_t combo) const { return toText(ReadProperty(combo, kSlotComboText)); }
    void setComboText(std::uint32_t combo, runtime::Text text) { WriteProperty(combo, kSlotComboText, std::move(text)); }
    std::int32_t comboIndex(std::uint32_t combo) const { return toInt(ReadProperty(combo, kSlotComboIndex)); }
    void setComboIndex(std::uint32_t combo, std::int32_t index) { WriteProperty(combo, kSlotComboIndex, index); }
    std::int32_t windowHeight() const { return toInt(ReadProperty(kSelfUnitId, kSlotHeight)); }
    void setWindowHeight(std::int32_t height) { WriteProperty(kSelfUnitId, kSlotHeight, height); }

    // Tooltips are the program's own help texts, not part of the window's
    // state: no slot holds them and no handler decides anything by them.
    // A unit without a widget has no tooltip.
    void setToolTip(std::uint32_t unitId, const QString& text);
    QString toolTip(std::uint32_t unitId) const;
    // callback runs on the GUI thread just before the control shows its list
    // or its tooltip. It is not an event of the window: it runs at once, even
    // while a handler runs, and must only refresh texts such as tooltips.
    void setAboutToShow(std::uint32_t unitId, std::function<void()> callback);

private:
    struct PendingEvent {
        std::uint32_t unitId;
        int event;
        std::vector<std::int32_t> args;
    };
    Unit* unitFor(std::uint32_t unitId) const;
    void dispatch(const PendingEvent& event);

    std::uint32_t m_windowId;
    std::unique_ptr<Unit> m_windowUnit;
    FormWindow* m_window;  // owned by m_windowHolder
    std::unique_ptr<QWidget> m_windowHolder;
    std::vector<std::unique_ptr<Control>> m_controls;
    std::vector<Entry> m_entries;
    std::unordered_map<std::uint32_t, Unit*> m_units;
    std::map<std::pair<std::uint32_t, int>, EventHandler> m_handlers;
    std::deque<PendingEvent> m_pending;
    bool m_dispatching = false;
};

}  // namespace platform
