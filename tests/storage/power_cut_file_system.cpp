#include "tests/storage/power_cut_file_system.h"

#include <algorithm>

namespace storage::testing {
namespace {

constexpr std::int64_t kSector = 512;

std::string key(const std::filesystem::path& path) { return path.lexically_normal().generic_string(); }

// Writes `bytes` at `offset`, growing the content with zero bytes where needed.
void writeAt(std::string& content, std::int64_t offset, std::string_view bytes) {
    const auto end = std::size_t(offset) + bytes.size();
    if (content.size() < end) content.resize(end, '\0');
    content.replace(std::size_t(offset), bytes.size(), bytes);
}

}  // namespace

void PowerCutFileSystem::change() {
    if (m_budget && m_changes >= *m_budget) throw PowerCut{};
    ++m_changes;
}

std::optional<int> PowerCutFileSystem::inodeOf(const std::filesystem::path& path) const {
    const auto found = m_names.find(key(path));
    if (found == m_names.end()) return std::nullopt;
    return found->second;
}

void PowerCutFileSystem::changeNames(NameChange names) {
    for (const auto& [name, inode] : names) {
        if (inode) {
            m_names[name] = *inode;
        } else {
            m_names.erase(name);
        }
    }
    m_unsyncedNames.push_back(std::move(names));
}

void PowerCutFileSystem::applyChange(Inode& inode, const Change& change) {
    if (change.truncatedTo) {
        inode.live.resize(std::size_t(*change.truncatedTo), '\0');
    } else {
        writeAt(inode.live, change.offset, change.bytes);
    }
    inode.unsynced.push_back(change);
    ++inode.version;
}

std::optional<std::string> PowerCutFileSystem::read(const std::filesystem::path& path) {
    const std::optional<int> inode = inodeOf(path);
    if (!inode) return std::nullopt;
    return m_inodes.at(*inode).live;
}

std::optional<runtime::FileStamp> PowerCutFileSystem::stamp(const std::filesystem::path& path) {
    const std::optional<int> inode = inodeOf(path);
    if (!inode) return std::nullopt;
    const Inode& file = m_inodes.at(*inode);
    return runtime::FileStamp{1, std::uint64_t(*inode), std::int64_t(file.live.size()), file.version};
}

std::vector<std::filesystem::path> PowerCutFileSystem::list(const std::filesystem::path& directory) {
    std::vector<std::filesystem::path> names;
    for (const auto& entry : m_names) {
        const std::filesystem::path path(entry.first);
        if (key(path.parent_path()) == key(directory)) names.push_back(path.filename());
    }
    return names;
}

bool PowerCutFileSystem::write(const std::filesystem::path& path, std::string_view content) {
    if (m_full) return false;
    change();
    std::optional<int> inode = inodeOf(path);
    if (!inode) {
        inode = m_nextInode++;
        m_inodes[*inode];
        changeNames({{key(path), *inode}});
    }
    Inode& file = m_inodes.at(*inode);
    applyChange(file, {0, {}, 0});
    applyChange(file, {0, std::string(content), std::nullopt});
    return true;
}

bool PowerCutFileSystem::append(const std::filesystem::path& path, std::string_view bytes) {
    const std::optional<int> inode = inodeOf(path);
    if (!inode) return false;
    change();
    Inode& file = m_inodes.at(*inode);
    const std::string_view written = m_full ? bytes.substr(0, bytes.size() / 2) : bytes;
    applyChange(file, {std::int64_t(file.live.size()), std::string(written), std::nullopt});
    return !m_full;
}

bool PowerCutFileSystem::truncate(const std::filesystem::path& path, std::int64_t size) {
    const std::optional<int> inode = inodeOf(path);
    if (!inode) return false;
    change();
    applyChange(m_inodes.at(*inode), {0, {}, size});
    return true;
}

bool PowerCutFileSystem::sync(const std::filesystem::path& path) {
    const std::optional<int> inode = inodeOf(path);
    if (!inode) return false;
    change();
    Inode& file = m_inodes.at(*inode);
    file.durable = file.live;
    file.unsynced.clear();
    return true;
}

bool PowerCutFileSystem::syncDirectory(const std::filesystem::path&) {
    change();
    m_durableNames = m_names;
    m_unsyncedNames.clear();
    return true;
}

// As on Linux: an exchange of the two names, then the removal of the old
// version's, two steps of the journal.
storage::Published PowerCutFileSystem::publish(const std::filesystem::path& from,
                                               const std::filesystem::path& target) {
    const std::optional<int> fresh = inodeOf(from);
    if (!fresh) return storage::Published::kFailed;
    const std::optional<int> old = inodeOf(target);
    if (!old) return rename(from, target) ? storage::Published::kDone : storage::Published::kFailed;
    change();
    changeNames({{key(target), *fresh}, {key(from), *old}});
    change();
    changeNames({{key(from), std::nullopt}});
    return storage::Published::kDone;
}

bool PowerCutFileSystem::rename(const std::filesystem::path& from, const std::filesystem::path& to) {
    const std::optional<int> inode = inodeOf(from);
    if (!inode) return false;
    change();
    changeNames({{key(to), *inode}, {key(from), std::nullopt}});
    return true;
}

bool PowerCutFileSystem::remove(const std::filesystem::path& path) {
    if (!inodeOf(path)) return true;
    change();
    changeNames({{key(path), std::nullopt}});
    return true;
}

std::map<std::string, std::string> PowerCutFileSystem::files() const {
    std::map<std::string, std::string> contents;
    for (const auto& [name, inode] : m_names) contents[name] = m_inodes.at(inode).live;
    return contents;
}

PowerCutFileSystem PowerCutFileSystem::afterCut(CutKind kind, std::mt19937& random) const {
    std::bernoulli_distribution coin(0.5);
    PowerCutFileSystem disk;
    disk.m_names = m_durableNames;
    std::size_t kept = kind == CutKind::kDropUnsynced ? 0 : m_unsyncedNames.size();
    if (kind == CutKind::kTearUnsynced) kept = std::uniform_int_distribution<std::size_t>(0, kept)(random);
    for (std::size_t i = 0; i < kept; ++i) {
        for (const auto& [name, inode] : m_unsyncedNames[i]) {
            if (inode) {
                disk.m_names[name] = *inode;
            } else {
                disk.m_names.erase(name);
            }
        }
    }
    for (const auto& [number, inode] : m_inodes) {
        std::string content = inode.durable;
        for (const Change& change : inode.unsynced) {
            if (kind == CutKind::kDropUnsynced) break;
            if (change.truncatedTo) {
                if (kind == CutKind::kKeepUnsynced || coin(random)) content.resize(std::size_t(*change.truncatedTo), '\0');
                continue;
            }
            for (std::int64_t at = change.offset; at < change.offset + std::int64_t(change.bytes.size());) {
                const std::int64_t sectorEnd = std::min(change.offset + std::int64_t(change.bytes.size()),
                                                        (at / kSector + 1) * kSector);
                if (kind == CutKind::kKeepUnsynced || coin(random)) {
                    writeAt(content, at, std::string_view(change.bytes).substr(std::size_t(at - change.offset),
                                                                               std::size_t(sectorEnd - at)));
                }
                at = sectorEnd;
            }
        }
        Inode& copy = disk.m_inodes[number];
        copy.live = copy.durable = content;
    }
    disk.m_durableNames = disk.m_names;
    disk.m_nextInode = m_nextInode;
    return disk;
}

}  // namespace storage::testing
