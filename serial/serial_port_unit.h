#pragma once
// The SerialPort unit (端口): properties 8..19, Open/Close/Send, and the two
// unit events, CommEvent (0, code 1..10) and DataArrived (1, one byte).
//
// A Qt adapter over the Qt-free PortChannel. The reader thread only queues;
// when the queue goes from empty to non-empty it posts one event to this
// object, and the GUI thread then drains the whole queue and raises the
// events in order. No event is ever raised on the reader thread.
#include <QObject>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unit.h"
#include "runtime/gbk_codec.h"
#include "serial/port_channel.h"
#include "serial/port_settings.h"

namespace serial {

class SerialPortUnit : public QObject, public platform::Unit {
    Q_OBJECT
public:
    explicit SerialPortUnit(QObject* parent = nullptr);
    ~SerialPortUnit() override;  // closes the port like Close

    platform::PropertyValue readProperty(int slot) const override;
    // Stores the value after its clamp; an open port keeps its configuration
    // until the next Open.
    void writeProperty(int slot, const platform::PropertyValue& value) override;

    bool Open();
    void Close();
    bool Send(std::string_view bytes);
    bool isOpen() const { return m_channel.isOpen(); }

    void setEventSink(platform::UnitEventSink sink) { m_sink = std::move(sink); }

    // Diagnostics for the port lamp's tooltip.
    std::string resolvedDevice() const;   // the device PortNumber resolves to, "" if none
    std::string device() const { return m_channel.device(); }  // the device the open port runs on
    std::string lastOpenError() const;    // OS reason of the last failed Open, "" after a success
    std::vector<std::string> candidateDevices() const;  // the names tried for PortNumber
    bool deviceGone() const { return m_channel.deviceGone(); }
    ReconnectionState reconnection() const { return m_channel.reconnection(); }
    std::optional<std::chrono::nanoseconds> readerCpuTime() const { return m_channel.readerCpuTime(); }
    // How many GUI-thread deliveries brought notifications (one may bring many).
    std::uint64_t deliveryCount() const { return m_deliveries; }

    runtime::Text savePropertyBlock() const;          // always the current version (4)
    bool loadPropertyBlock(std::string_view block);   // versions up to 4; a newer one fails

    const PortSettings& settings() const { return m_settings; }

protected:
    void customEvent(QEvent* event) override;

private:
    void deliverNotifications();

    PortSettings m_settings;
    PortChannel m_channel;
    platform::UnitEventSink m_sink;
    std::string m_lastOpenError;
    // Counts Open and Close: a batch being delivered stops when a handler
    // closed or reopened the port, so nothing of the old connection follows.
    std::uint64_t m_connection = 0;
    std::uint64_t m_deliveries = 0;
};

}  // namespace serial
