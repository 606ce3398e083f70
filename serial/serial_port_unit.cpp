#include "serial/serial_port_unit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include "serial/port_names.h"
#include "serial/sanitizer_annotations.h"

namespace serial {
namespace {

QEvent::Type portNotificationType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

}  // namespace

SerialPortUnit::SerialPortUnit(QObject* parent)
    : QObject(parent),
      // Runs on the reader thread; posting an event is thread-safe, and the
      // destructor stops the reader before this object goes away.
      m_channel([this] {
          auto* nudge = new QEvent(portNotificationType());
          announceHandOver(this);
          QCoreApplication::postEvent(this, nudge);
      }) {
    portNotificationType();  // registered on the GUI thread, before any reader runs
}

SerialPortUnit::~SerialPortUnit() { Close(); }

platform::PropertyValue SerialPortUnit::readProperty(int slot) const {
    if (slot == kEventCharSlot) return runtime::Text(m_settings.eventChar);
    if (std::optional<std::int32_t> value = integerProperty(m_settings, slot)) return *value;
    return std::int32_t{0};
}

void SerialPortUnit::writeProperty(int slot, const platform::PropertyValue& value) {
    if (slot == kEventCharSlot) {
        m_settings.eventChar = platform::toText(value);
        return;
    }
    storeInteger(m_settings, slot, platform::toInt(value));
}

bool SerialPortUnit::Open() {
    Close();
    ++m_connection;
    const bool opened = m_channel.open(m_settings);
    m_lastOpenError = opened ? std::string{} : m_channel.lastError().message;
    return opened;
}

void SerialPortUnit::Close() {
    ++m_connection;
    m_channel.close();
}

bool SerialPortUnit::Send(std::string_view bytes) { return m_channel.send(bytes); }

std::string SerialPortUnit::resolvedDevice() const { return resolveDevice(m_settings.portNumber); }
std::string SerialPortUnit::lastOpenError() const { return m_lastOpenError; }
std::vector<std::string> SerialPortUnit::candidateDevices() const {
    return serial::candidateDevices(m_settings.portNumber);
}

runtime::Text SerialPortUnit::savePropertyBlock() const { return encodePropertyBlock(m_settings); }

bool SerialPortUnit::loadPropertyBlock(std::string_view block) {
    std::optional<PortSettings> loaded = decodePropertyBlock(block);
    if (!loaded) return false;
    m_settings = std::move(*loaded);
    return true;
}

void SerialPortUnit::customEvent(QEvent* event) {
    acceptHandOver(this);
    if (event->type() == portNotificationType()) {
        deliverNotifications();
        return;
    }
    QObject::customEvent(event);
}

void SerialPortUnit::deliverNotifications() {
    // One nudge may bring many notifications, or none (a later nudge's batch
    // was already taken, or Close dropped them).
    const std::vector<Notification> batch = m_channel.takeNotifications();
    if (!batch.empty()) ++m_deliveries;
    const QPointer<SerialPortUnit> alive(this);
    const std::uint64_t connection = m_connection;
    const platform::UnitEventSink sink = m_sink;  // a handler may replace it
    if (!sink) return;
    for (const Notification& item : batch) {
        const std::optional<UnitEvent> unitEvent = eventFor(item);
        if (!unitEvent) continue;
        sink(unitEvent->index, unitEvent->argument);
        // A handler may have destroyed the unit, or closed the port.
        if (alive.isNull() || m_connection != connection) return;
    }
}

}  // namespace serial
