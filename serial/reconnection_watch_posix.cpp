// The device going away while the port is open, and coming back: the reader
// closes it at once, watches for it without spending CPU (inotify where
// there is one) and asks the reconnection policy what it may reopen.
#include <algorithm>

#include "serial/device_sighting.h"
#include "serial/port_engine_posix.h"

namespace serial {
namespace {

// While the device is away: a look for it at this pace besides the change
// notifications (which a pseudo-terminal's folder may never send), and no
// look right after a loss that follows a return this closely, so that a
// device which hangs up as soon as it is opened cannot keep the thread busy.
constexpr auto kReconnectPoll = std::chrono::milliseconds(1000);
constexpr auto kReconnectSettle = std::chrono::milliseconds(1000);

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, std::max<std::size_t>(slash, 1));
}

// The sighting the policy judged `name` by.
const DeviceSighting* sightingOf(const SystemView& view, const std::string& name) {
    if (view.atName.name == name) return &view.atName;
    for (const DeviceSighting& s : view.adapters)
        if (s.name == name) return &s;
    return nullptr;
}

}  // namespace

void PortChannel::Engine::loseDevice() {
    closeDevice(false);
    state.store(DeviceState::Away);
    reconnection.lost();
    watch.arm(foldersToWatch());
    // The device may already be back (or may never have gone, for a name
    // that hangs up whenever it is opened): look at once, unless it just came
    // back, and then at the polling pace.
    const Clock::time_point now = Clock::now();
    nextReconnectLook = now - lastReturn < kReconnectSettle ? now + kReconnectPoll : now;
}

std::vector<std::string> PortChannel::Engine::foldersToWatch() const {
    // Where a returning device's name can appear: the working directory (a
    // COMn link put back), the device folders, the stable adapter names, and
    // the folder of the device itself (pseudo-terminals live in /dev/pts).
    return {".", tree.dev, tree.dev + "/serial", tree.serialById, folderOf(opened.name), folderOf(opened.device)};
}

void PortChannel::Engine::lookForDevice(bool somethingChanged) {
    if (state.load() == DeviceState::GivenUp || (!somethingChanged && Clock::now() < nextReconnectLook)) return;
    nextReconnectLook = Clock::now() + kReconnectPoll;
    const SystemView view = lookAround(opened, settings.portNumber, presentAtOpen, tree);
    const ReconnectDecision decision = decideReconnection(opened, view);
    switch (decision.action) {
    case ReconnectDecision::Action::Wait:
        reconnection.refuse({});
        return;
    case ReconnectDecision::Action::Refuse:
        // Left completely alone: not opened, so its line keeps its owner's settings.
        reconnection.refuse(decision.reason);
        return;
    case ReconnectDecision::Action::GiveUp:
        state.store(DeviceState::GivenUp);
        watch.disarm();
        reconnection.abandon(decision.reason);
        return;
    case ReconnectDecision::Action::Reopen:
        if (const DeviceSighting* judged = sightingOf(view, decision.name)) reopen(*judged);
        return;
    }
}

void PortChannel::Engine::reopen(const DeviceSighting& judged) {
    if (connect(judged.name, judged.deviceNumber)) {
        closeDevice(false);  // not back yet (or not ready): wait for the next change
        return;
    }
    opened = judged;
    setDevice(judged.name);
    watch.disarm();
    lastReturn = Clock::now();
    state.store(DeviceState::Connected);
    reconnection.back();
}

}  // namespace serial
