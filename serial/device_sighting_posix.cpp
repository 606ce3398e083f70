#include "serial/device_sighting.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "serial/port_names.h"
#include "serial/termios_extras_posix.h"

namespace serial {
namespace fs = std::filesystem;
namespace {

// The kernel gives up on longer chains of links too.
constexpr int kMaxLinks = 40;

std::string readLink(const std::string& path) {
    std::error_code error;
    const fs::path target = fs::read_symlink(path, error);
    return error ? std::string{} : target.string();
}

// The working-directory name of a port number ("COM3"): a user's pin.
bool isWorkingDirectoryLink(const std::string& name) { return name.find('/') == std::string::npos; }

bool isInside(const fs::path& path, const fs::path& folder) {
    const fs::path parent = path.lexically_normal().parent_path();
    return !folder.empty() && parent == folder.lexically_normal();
}

// Whether following `name` link by link passes a name that stays with one
// adapter (its /dev/serial/by-id entry).
bool passesStableName(const std::string& name, const DeviceTree& tree) {
    fs::path at = name;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        if (isInside(at, tree.serialById)) return true;
        struct stat info {};
        if (::lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return false;
        const fs::path target = readLink(at.string());
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    return false;
}

LinkStamp stampOf(const std::string& name) {
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0) return {};
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec, readLink(name)};
}

std::string notADevice(const std::string& name, mode_t mode) {
    if (S_ISREG(mode)) return name + " is a regular file, not a serial device";
    if (S_ISDIR(mode)) return name + " is a folder, not a serial device";
    return name + " is not a serial device";
}

// The subsystem the system files a character device under ("tty", "mem"),
// or "" when it does not say.
std::string subsystemOf(std::uint64_t number, const DeviceTree& tree) {
    const std::string entry = std::to_string(major(static_cast<dev_t>(number))) + ":" +
                              std::to_string(minor(static_cast<dev_t>(number)));
    std::error_code error;
    const fs::path subsystem = fs::canonical(fs::path(tree.sysDevChar) / entry / "subsystem", error);
    return error ? std::string{} : subsystem.filename().string();
}

// A terminal has its entry among the system's ttys; a pseudo-terminal has
// none, but a number of its own. A device filed elsewhere (/dev/null) is no
// terminal; one the system says nothing about counts as a terminal of
// unknown identity.
DeviceKind kindOf(const DeviceSighting& s, const DeviceTree& tree) {
    std::error_code error;
    if (fs::exists(fs::path(tree.sysClassTty) / fs::path(s.device).filename(), error)) return DeviceKind::Terminal;
    if (posix::isPseudoTerminalDevice(s.deviceNumber, s.device)) return DeviceKind::PseudoTerminal;
    const std::string subsystem = subsystemOf(s.deviceNumber, tree);
    return subsystem.empty() || subsystem == "tty" ? DeviceKind::Terminal : DeviceKind::NotATerminal;
}

}  // namespace

DeviceSighting sightDevice(const std::string& name, const DeviceTree& tree) {
    DeviceSighting s;
    s.name = name;
    s.device = name;
    s.throughLink = isWorkingDirectoryLink(name);
    if (s.throughLink) s.link = stampOf(name);
    s.throughStableName = passesStableName(name, tree);
    if (char* real = ::realpath(name.c_str(), nullptr)) {
        s.device = real;
        std::free(real);
    }
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) return s;  // Missing
    if (!S_ISCHR(info.st_mode)) {
        s.kind = DeviceKind::NotADevice;
        s.why = notADevice(name, info.st_mode);
        return s;
    }
    s.deviceNumber = static_cast<std::uint64_t>(info.st_rdev);
    s.kind = kindOf(s, tree);
    if (s.kind == DeviceKind::NotATerminal) s.why = s.device + " is not a serial device";
    s.adapter = describeAdapter(name, tree);
    return s;
}

std::vector<std::string> presentCandidates(int portNumber, const DeviceTree& tree) {
    std::vector<std::string> present;
    for (const std::string& name : candidateDevices(portNumber, tree.dev)) {
        struct stat info {};
        if (::stat(name.c_str(), &info) == 0) present.push_back(name);
    }
    return present;
}

SystemView lookAround(const DeviceSighting& opened, int portNumber, const std::vector<std::string>& presentAtOpen,
                      const DeviceTree& tree) {
    SystemView view;
    view.atName = sightDevice(opened.name, tree);
    if (opened.throughLink || opened.throughStableName) return view;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(tree.dev, error)) {
        const std::string file = entry.path().filename().string();
        const bool adapterName = file.rfind("ttyUSB", 0) == 0 || file.rfind("ttyACM", 0) == 0;
        if (adapterName && entry.path().string() != opened.name) view.adapters.push_back(sightDevice(entry.path().string(), tree));
    }
    for (const std::string& name : presentCandidates(portNumber, tree)) {
        const bool wasThere = std::find(presentAtOpen.begin(), presentAtOpen.end(), name) != presentAtOpen.end();
        if (name != opened.name && !wasThere) view.newcomers.push_back(sightDevice(name, tree));
    }
    return view;
}

}  // namespace serial
