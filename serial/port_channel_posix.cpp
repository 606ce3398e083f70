// The POSIX engine's owner side: Open, Close, Send and what the unit reads.
// The engine itself is described in port_engine_posix.h.
#include <pthread.h>

#include <cerrno>
#include <ctime>
#include <utility>

#include "serial/device_sighting.h"
#include "serial/port_engine_posix.h"
#include "serial/port_names.h"

namespace serial {

void PortChannel::Engine::setDevice(const std::string& name) {
    std::lock_guard lock(deviceMutex);
    device = name;
}

std::string PortChannel::Engine::currentDevice() const {
    std::lock_guard lock(deviceMutex);
    return device;
}

PortChannel::PortChannel(PendingCallback onPending, std::size_t queueLimit, DeviceTree tree)
    : m_engine(std::make_unique<Engine>(std::move(onPending), queueLimit, std::move(tree))) {}

PortChannel::~PortChannel() { close(); }

bool PortChannel::open(const PortSettings& settings) {
    close();
    Engine& e = *m_engine;
    e.lastError = {};
    auto fail = [&e](PortError error) {
        e.closeDevice(false);
        e.lastError = std::move(error);
        return false;
    };
    if (settings.portNumber < 1) return fail({PortErrorKind::NoPortNumber, "no port number selected"});
    const std::string name = resolveDevice(settings.portNumber, e.tree.dev);
    if (name.empty()) return fail(osError(ENOENT));
    // A link left pointing at a regular file, a folder or /dev/null fails
    // clearly, not as a puzzling ioctl error.
    DeviceSighting sighting = sightDevice(name, e.tree);
    if (sighting.kind == DeviceKind::NotADevice || sighting.kind == DeviceKind::NotATerminal)
        return fail({PortErrorKind::NotATerminal, sighting.why});

    e.settings = settings;
    e.timeoutMs = settings.timeoutMs;
    e.marksInBand = settings.parityChecking();
    e.decoder = ParityMarkDecoder(e.marksInBand, settings.eventCharacter());
    if (PortError error = e.connect(name)) return fail(std::move(error));
    // What a returning device is recognised by.
    e.opened = std::move(sighting);
    e.presentAtOpen = presentCandidates(settings.portNumber, e.tree);
    e.setDevice(name);
    e.reconnection.reset();
    e.state.store(DeviceState::Connected);
    e.lastReturn = {};
    if (PortError error = e.startReader()) return fail(std::move(error));
    return true;
}

void PortChannel::close() {
    Engine& e = *m_engine;
    e.stopReader();
    e.watch.disarm();
    e.closeDevice(true);
    e.setDevice({});
    e.state.store(DeviceState::Connected);
    e.queue.clear();
}

bool PortChannel::isOpen() const { return m_engine->reader.joinable(); }

bool PortChannel::send(std::string_view bytes) {
    Engine& e = *m_engine;
    if (!e.reader.joinable()) return false;
    if (bytes.empty()) return true;
    std::unique_lock lock(e.mutex);
    e.writeBuffer.assign(bytes);
    e.writeDone = false;
    e.writeRequested = true;
    lock.unlock();
    e.wake.signal();
    lock.lock();
    e.writeDoneSignal.wait(lock, [&e] { return e.writeDone; });
    e.writeBuffer.clear();
    return e.writeResult;
}

std::vector<Notification> PortChannel::takeNotifications() {
    bool wasFull = false;
    std::vector<Notification> items = m_engine->queue.takeAll(&wasFull);
    // The reader stopped taking bytes when the queue filled up: tell it
    // there is room again.
    if (wasFull && m_engine->reader.joinable()) m_engine->wake.signal();
    return items;
}

const PortError& PortChannel::lastError() const { return m_engine->lastError; }
std::string PortChannel::device() const { return isOpen() ? m_engine->currentDevice() : std::string{}; }
ReconnectionState PortChannel::reconnection() const { return m_engine->reconnection.snapshot(); }
bool PortChannel::deviceGone() const { return isOpen() && m_engine->state.load() != DeviceState::Connected; }
const NotificationQueue& PortChannel::queue() const { return m_engine->queue; }

std::optional<std::chrono::nanoseconds> PortChannel::readerCpuTime() const {
    std::thread& reader = m_engine->reader;
    clockid_t clock{};
    timespec used{};
    if (!reader.joinable() || ::pthread_getcpuclockid(reader.native_handle(), &clock) != 0 ||
        ::clock_gettime(clock, &used) != 0) {
        return std::nullopt;
    }
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

}  // namespace serial
