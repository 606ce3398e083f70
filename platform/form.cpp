#include "platform/form.h"

#include <QMouseEvent>

#include "platform/fonts.h"

#include "platform/qt_text.h"
#include "platform/readout_box.h"

namespace platform {
namespace {

// A classic Windows frame takes 8 pixels of the width and 27 of the height;
// the client area keeps the size the controls were laid out for.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 27;

}  // namespace

class FormWindow : public QWidget {
public:
    FormWindow(Form& form, int outerWidth) : m_form(form), m_outerWidth(outerWidth) {}

    int outerHeight() const { return m_outerHeight; }
    void setOuterHeight(int height) {
        m_outerHeight = height;
        setFixedSize(m_outerWidth - kFrameWidth, std::max(0, height - kFrameHeight));
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        // Only a press on the window's own surface counts, not one that a
        // label or other control let through.
        const QPoint pos = event->position().toPoint();
        if (event->button() == Qt::RightButton && childAt(pos) == nullptr) {
            const std::int32_t args[] = {pos.x(), pos.y(), keyState(event->modifiers())};
            m_form.raise(m_form.windowId(), kRightButtonDown, args);
        }
        QWidget::mousePressEvent(event);
    }

private:
    static std::int32_t keyState(Qt::KeyboardModifiers modifiers) {
        return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
               (modifiers & Qt::AltModifier ? 4 : 0);
    }

    Form& m_form;
    int m_outerWidth;
    int m_outerHeight = 0;
};

namespace {

// The window's own properties: the height slot holds the outer height as written.
class WindowUnit : public Unit {
public:
    explicit WindowUnit(FormWindow* window) : m_window(window) {}
    PropertyValue readProperty(int slot) const override {
        if (slot == kSlotHeight) return std::int32_t(m_window->outerHeight());
        return std::int32_t{0};
    }
    void writeProperty(int slot, const PropertyValue& value) override {
        if (slot == kSlotHeight) m_window->setOuterHeight(toInt(value));
    }

private:
    FormWindow* m_window;
};

}  // namespace

Form::Form(std::uint32_t windowId, const std::string& title, int outerWidth, int outerHeight)
    : m_windowId(windowId) {
    auto window = std::make_unique<FormWindow>(*this, outerWidth);
    m_window = window.get();
    m_window->setWindowTitle(QString::fromStdString(title));
    installFontSubstitutions();
    m_window->setFont(defaultWindowFont());
    m_window->setOuterHeight(outerHeight);
    m_windowHolder = std::move(window);
    m_windowUnit = std::make_unique<WindowUnit>(m_window);
    m_units[windowId] = m_windowUnit.get();
    m_units[kSelfUnitId] = m_windowUnit.get();
}

Form::~Form() {
    // Controls go first: their widgets are children of the window.
    m_controls.clear();
}

QWidget* Form::window() const { return m_window; }

void Form::addControls(std::span<const ControlSpec> table) {
    for (const ControlSpec& spec : table) {
        const std::uint32_t id = spec.unitId;
        auto control = Control::create(spec, m_window, [this, id](int event, std::span<const std::int32_t> args) {
            raise(id, event, args);
        });
        addUnit(id, spec.name, control.get(), control->widget());
        m_controls.push_back(std::move(control));
    }
    keepLabelsOutOfReadoutTexts(m_window);
}

void Form::addUnit(std::uint32_t unitId, const std::string& name, Unit* unit, QWidget* widget) {
    m_entries.push_back(Entry{name, unitId, unit, widget});
    m_units[unitId] = unit;
}

const Form::Entry* Form::find(std::uint32_t unitId) const {
    for (const Entry& entry : m_entries) {
        if (entry.unitId == unitId) return &entry;
    }
    return nullptr;
}

const Form::Entry* Form::findByName(const std::string& name) const {
    for (const Entry& entry : m_entries) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

Unit* Form::unitFor(std::uint32_t unitId) const {
    auto it = m_units.find(unitId);
    return it == m_units.end() ? nullptr : it->second;
}

PropertyValue Form::ReadProperty(std::uint32_t unitId, int slot) const {
    if (Unit* unit = unitFor(unitId)) return unit->readProperty(slot);
    return std::int32_t{0};
}

void Form::WriteProperty(std::uint32_t unitId, int slot, const PropertyValue& value) {
    if (Unit* unit = unitFor(unitId)) unit->writeProperty(slot, value);
}

void Form::setToolTip(std::uint32_t unitId, const QString& text) {
    const Entry* entry = find(unitId);
    // An unchanged text leaves a tooltip the user is reading where it is.
    if (entry != nullptr && entry->widget != nullptr && entry->widget->toolTip() != text) {
        entry->widget->setToolTip(text);
    }
}

QString Form::toolTip(std::uint32_t unitId) const {
    const Entry* entry = find(unitId);
    return entry != nullptr && entry->widget != nullptr ? entry->widget->toolTip() : QString{};
}

void Form::setAboutToShow(std::uint32_t unitId, std::function<void()> callback) {
    for (const std::unique_ptr<Control>& control : m_controls) {
        if (control.get() == unitFor(unitId)) control->setAboutToShow(std::move(callback));
    }
}

void Form::bind(std::uint32_t unitId, int event, EventHandler handler) {
    m_handlers[{unitId, event}] = std::move(handler);
}

void Form::raise(std::uint32_t unitId, int event, std::span<const std::int32_t> args) {
    m_pending.push_back(PendingEvent{unitId, event, {args.begin(), args.end()}});
    if (m_dispatching) return;  // the running handler's caller delivers it next
    m_dispatching = true;
    while (!m_pending.empty()) {
        const PendingEvent next = std::move(m_pending.front());
        m_pending.pop_front();
        dispatch(next);
    }
    m_dispatching = false;
}

void Form::dispatch(const PendingEvent& event) {
    auto it = m_handlers.find({event.unitId, event.event});
    if (it != m_handlers.end() && it->second) it->second(event.args);
}

}  // namespace platform
