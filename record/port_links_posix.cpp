#include "record/port_links.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace record {

namespace {

namespace fs = std::filesystem;

// Numbers for device paths start far above any real adapter's.
constexpr int kFirstLinkedNumber = 1000;

std::string makePrivateFolder() {
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    if (error) base = "/tmp";
    std::string pattern = (base / "kzrt-record-XXXXXX").string();
    return ::mkdtemp(pattern.data()) ? pattern : std::string{};
}

// The identity of a link itself (not of what it leads to); all zero when
// the name is no link.
std::pair<std::uint64_t, std::int64_t> linkStamp(const fs::path& link) {
    struct stat info {};
    if (::lstat(link.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return {0, 0};
    return {std::uint64_t(info.st_ino), std::int64_t(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec};
}

// A new link file in place of the old one, in one rename.
bool putBack(const fs::path& link, const fs::path& target) {
    const fs::path fresh = link.string() + ".new";
    std::error_code error;
    fs::remove(fresh, error);
    fs::create_symlink(target, fresh, error);
    if (!error) fs::rename(fresh, link, error);
    return !error;
}

}  // namespace

void PortLinks::followReplacedLinks() {
    for (Link& link : m_links) {
        const auto [inode, changedNs] = linkStamp(link.userLink);
        if (inode == 0 || (inode == link.inode && changedNs == link.changedNs)) continue;
        if (putBack(link.privateLink, link.userLink)) {
            link.inode = inode;
            link.changedNs = changedNs;
        }
    }
}

PortLinks::~PortLinks() {
    if (m_folder.empty()) return;
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
}

std::string PortLinks::assign(const std::vector<MeterSpec>& meters, std::vector<int>& portNumbers) {
    portNumbers.clear();
    bool needsLinks = false;
    for (const MeterSpec& meter : meters) needsLinks = needsLinks || portNumberOf(meter.port) == 0;
    for (std::size_t i = 0; i < meters.size(); ++i) {
        const int number = portNumberOf(meters[i].port);
        portNumbers.push_back(number != 0 ? number : kFirstLinkedNumber + int(i));
    }
    if (!needsLinks) return {};

    m_folder = makePrivateFolder();
    if (m_folder.empty()) return "no private folder for the port links in the temporary folder";
    const fs::path started = fs::current_path();
    for (std::size_t i = 0; i < meters.size(); ++i) {
        const fs::path link = fs::path(m_folder) / ("COM" + std::to_string(portNumbers[i]));
        fs::path target;
        if (portNumberOf(meters[i].port) == 0) {
            target = fs::absolute(meters[i].port);
        } else if (std::error_code ignored; fs::is_symlink(started / link.filename(), ignored) ||
                                            fs::exists(started / link.filename(), ignored)) {
            target = started / link.filename();  // the user's own COMn link keeps its meaning
        } else {
            continue;
        }
        std::error_code error;
        fs::create_symlink(target, link, error);
        if (error) return "'" + meters[i].port + "': cannot link it: " + error.message();
        const auto [inode, changedNs] = linkStamp(target);
        m_links.push_back({link.string(), target.string(), inode, changedNs});
    }
    std::error_code error;
    fs::current_path(m_folder, error);
    return error ? "cannot enter the port links' folder: " + error.message() : std::string{};
}

}  // namespace record
