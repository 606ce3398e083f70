#include "serial/port_hints.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "serial/port_names.h"

namespace serial {
namespace fs = std::filesystem;
namespace {

// How far above the tty's own sysfs folder the USB device folder may lie: one
// level for a CDC-ACM interface, two for a USB-serial converter's port.
constexpr int kUsbSearchDepth = 4;
// Attribute files are a line each; anything longer is not what we look for.
constexpr std::streamsize kAttributeLimit = 256;

fs::path canonicalOrEmpty(const fs::path& path) {
    std::error_code error;
    fs::path result = fs::canonical(path, error);
    return error ? fs::path{} : result;
}

// One sysfs attribute, without its line end; "" when absent.
std::string attribute(const fs::path& folder, const char* name) {
    std::ifstream in(folder / name);
    std::string value(static_cast<std::size_t>(kAttributeLimit), '\0');
    in.read(value.data(), kAttributeLimit);
    value.resize(static_cast<std::size_t>(in.gcount()));
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r' || value.back() == ' ')) value.pop_back();
    return value;
}

// The USB device folder (the one holding idVendor) above the tty's device,
// and the interface folder just below it.
struct UsbFolders {
    fs::path device;
    fs::path interface;
};

UsbFolders usbFolders(const fs::path& ttyDevice) {
    fs::path folder = ttyDevice;
    fs::path below;
    for (int level = 0; level < kUsbSearchDepth && !folder.empty(); ++level) {
        std::error_code error;
        if (fs::exists(folder / "idVendor", error)) return {folder, below};
        if (folder == folder.root_path()) break;
        below = folder;
        folder = folder.parent_path();
    }
    return {};
}

std::string byIdNameOf(const fs::path& device, const DeviceTree& tree) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(tree.serialById, error)) {
        if (canonicalOrEmpty(entry.path()) == device) return entry.path().filename().string();
    }
    return {};
}

}  // namespace

AdapterInfo describeAdapter(const std::string& devicePath, const DeviceTree& tree) {
    AdapterInfo info;
    const fs::path device = canonicalOrEmpty(devicePath);
    if (device.empty()) return info;
    const fs::path ttyDevice = canonicalOrEmpty(fs::path(tree.sysClassTty) / device.filename() / "device");
    const UsbFolders usb = usbFolders(ttyDevice);
    if (!usb.device.empty()) {
        info.vendorId = attribute(usb.device, "idVendor");
        info.productId = attribute(usb.device, "idProduct");
        info.manufacturer = attribute(usb.device, "manufacturer");
        info.product = attribute(usb.device, "product");
        info.serialNumber = attribute(usb.device, "serial");
        info.usbPort = usb.interface.filename().string();
    } else if (!ttyDevice.empty()) {
        info.hardwarePath = ttyDevice.string();
    }
    info.byIdName = byIdNameOf(device, tree);
    return info;
}

std::vector<PortHint> currentPortHints(int lastNumber, const DeviceTree& tree) {
    std::vector<PortHint> hints;
    for (int number = 1; number <= lastNumber; ++number) {
        const std::string device = resolveDevice(number, tree.dev);
        if (device.empty()) continue;
        const fs::path target = canonicalOrEmpty(device);
        hints.push_back(PortHint{number, device, target.empty() ? device : target.string(),
                                 describeAdapter(device, tree)});
    }
    return hints;
}

}  // namespace serial
