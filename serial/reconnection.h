#pragma once
// What an open port has been through since Open: its device went away (an
// adapter pulled, a USB hiccup) and came back. The reader thread writes the
// log; the owner thread reads copies of it for the port lamp's tooltip.
#include <chrono>
#include <mutex>
#include <string>

namespace serial {

// Where an open port's device stands. One value, changed by the reader
// thread while it runs (and by Open and Close while none runs); the owner
// reads it.
enum class DeviceState {
    Connected,  // open and read
    Lost,       // a failure showed it has gone: the reader closes it before it waits again
    Away,       // closed, and watched for
    GivenUp,    // closed; no device can be recognised as it any more
};

struct ReconnectionState {
    using Time = std::chrono::system_clock::time_point;
    int losses = 0;          // times the device went away since Open
    int returns = 0;         // times it came back and was reopened
    Time lostAt{};           // the latest loss
    Time backAt{};           // the latest return
    bool waiting = false;    // the device is away now and watched for
    std::string refused;     // waiting: a device present that is not the port's, left alone, and why
    std::string abandoned;   // not empty: watching stopped, and why
};

class ReconnectionLog {
public:
    void reset();
    void lost();
    void back();
    // A device is present but is not the port's (empty: none any more).
    void refuse(std::string reason);
    void abandon(std::string reason);
    ReconnectionState snapshot() const;

private:
    mutable std::mutex m_mutex;
    ReconnectionState m_state;
};

}  // namespace serial
