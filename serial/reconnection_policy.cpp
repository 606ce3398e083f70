#include "serial/reconnection_policy.h"

#include <initializer_list>

namespace serial {
namespace {

using Action = ReconnectDecision::Action;

ReconnectDecision reopen(const std::string& name) { return {Action::Reopen, name, {}}; }
ReconnectDecision wait() { return {}; }
ReconnectDecision refuse(const std::string& device, std::string reason) { return {Action::Refuse, device, std::move(reason)}; }

// "1.0" of the interface folder "1-2:1.0": which port of a multi-port adapter.
std::string interfaceOf(const std::string& usbPort) {
    const std::size_t colon = usbPort.rfind(':');
    return colon == std::string::npos ? std::string{} : usbPort.substr(colon + 1);
}

bool present(const DeviceSighting& s) { return s.kind == DeviceKind::Terminal || s.kind == DeviceKind::PseudoTerminal; }

// How the tooltip names a device that is not the meter's.
std::string adapterText(const AdapterInfo& a) {
    if (a.vendorId.empty()) return {};
    std::string text = " (" + a.vendorId + ":" + a.productId;
    if (!a.product.empty()) text += " " + a.product;
    if (!a.serialNumber.empty()) text += ", serial number " + a.serialNumber;
    return text + ")";
}

std::string notTheMeters(const DeviceSighting& s) {
    if (!identified(s.adapter))
        return s.device + " cannot be recognised as the meter's adapter: the system does not tell what it is";
    return s.device + adapterText(s.adapter) + " is not the meter's adapter";
}

// Opened through a COMn link or a name that stays with its adapter: the name
// is followed, and what it leads to is judged by how the link changed.
ReconnectDecision decideByName(const DeviceSighting& opened, const DeviceSighting& seen) {
    if (seen.kind == DeviceKind::Missing) return wait();
    if (!present(seen)) return refuse(seen.device, seen.why);
    // A link put back is the user's (or the simulator's) new pin: trust it.
    const bool replaced = opened.throughLink && !(seen.throughLink && seen.link == opened.link);
    if (replaced) return reopen(seen.name);
    if (seen.throughStableName) {
        if (identified(opened.adapter) && identified(seen.adapter) && !sameAdapter(opened.adapter, seen.adapter))
            return refuse(seen.device, notTheMeters(seen));
        return reopen(seen.name);
    }
    // The same link to a name the system hands out again: a pseudo-terminal
    // with the freed number belongs to whoever made it.
    if (seen.kind == DeviceKind::PseudoTerminal)
        return refuse(seen.device, seen.device + " behind the unchanged " + seen.name +
                                       " link is a new pseudo-terminal of another program");
    if (sameAdapter(opened.adapter, seen.adapter)) return reopen(seen.name);
    return refuse(seen.device, notTheMeters(seen));
}

// Opened by the port-number rules (/dev/ttyUSB0 and no link): only the same
// adapter, under whichever ttyUSB or ttyACM name it comes back.
ReconnectDecision decideByIdentity(const DeviceSighting& opened, const SystemView& now) {
    if (!identified(opened.adapter)) {
        return {Action::GiveUp, opened.name,
                "the system does not tell which adapter " + opened.device +
                    " was, so no device can be recognised as it"};
    }
    if (present(now.atName) && sameAdapter(opened.adapter, now.atName.adapter)) return reopen(now.atName.name);
    for (const DeviceSighting& s : now.adapters)
        if (present(s) && sameAdapter(opened.adapter, s.adapter)) return reopen(s.name);
    if (now.atName.kind != DeviceKind::Missing)
        return refuse(now.atName.device, present(now.atName) ? notTheMeters(now.atName) : now.atName.why);
    for (const DeviceSighting& s : now.newcomers)
        if (s.kind != DeviceKind::Missing) return refuse(s.device, present(s) ? notTheMeters(s) : s.why);
    return wait();
}

}  // namespace

bool identified(const AdapterInfo& a) { return !a.vendorId.empty() || !a.hardwarePath.empty(); }

bool sameAdapter(const AdapterInfo& a, const AdapterInfo& b) {
    if (!identified(a) || !identified(b)) return false;
    if (a.vendorId.empty() || b.vendorId.empty()) return a.vendorId == b.vendorId && a.hardwarePath == b.hardwarePath;
    if (a.vendorId != b.vendorId || a.productId != b.productId || a.serialNumber != b.serialNumber) return false;
    // Without a serial number, only where it is plugged in tells two equal
    // adapters apart; with one, the adapter may come back in any socket.
    if (a.serialNumber.empty()) return a.usbPort == b.usbPort;
    return interfaceOf(a.usbPort) == interfaceOf(b.usbPort);
}

ReconnectDecision decideReconnection(const DeviceSighting& opened, const SystemView& now) {
    if (opened.throughLink || opened.throughStableName) return decideByName(opened, now.atName);
    return decideByIdentity(opened, now);
}

}  // namespace serial
