#pragma once
// A file system in memory that keeps apart what a program has written and what
// the disk holds, as a power cut sees it. Every write, sync, rename and removal
// is counted; the test lets the program run up to one of them and then cuts
// the power there.
//
// At the cut, what was synced survives whole. What was written to a file since
// its last sync is dropped, kept, or torn: each 512-byte sector of each write
// reaches the disk or not (the disk writes a sector whole or not at all, the
// way SQLite's crash tests model it). Renames, creations and removals since the
// directory's last sync survive as a prefix, in order, as a file system's
// journal commits them; a file synced by itself does not make them durable.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "storage/file_system.h"

namespace storage::testing {

// Thrown by the operation at which the power is cut.
struct PowerCut {};

enum class CutKind { kDropUnsynced, kKeepUnsynced, kTearUnsynced };

class PowerCutFileSystem final : public storage::FileSystem {
public:
    // The power goes at the `budget`-th change (counted from 0); none: never.
    void cutAt(std::optional<long> budget) { m_budget = budget; }
    long changes() const { return m_changes; }
    // A full disk: writes fail, appends fail after half their bytes.
    void setFull(bool full) { m_full = full; }
    // What the disk holds after the cut, as a file system that starts there.
    PowerCutFileSystem afterCut(CutKind kind, std::mt19937& random) const;

    std::optional<std::string> read(const std::filesystem::path& path) override;
    std::optional<runtime::FileStamp> stamp(const std::filesystem::path& path) override;
    bool isReadOnly(const std::filesystem::path&) override { return false; }
    std::vector<std::filesystem::path> list(const std::filesystem::path& directory) override;
    bool write(const std::filesystem::path& path, std::string_view content) override;
    bool append(const std::filesystem::path& path, std::string_view bytes) override;
    bool truncate(const std::filesystem::path& path, std::int64_t size) override;
    bool sync(const std::filesystem::path& path) override;
    bool syncDirectory(const std::filesystem::path& directory) override;
    storage::Published publish(const std::filesystem::path& from, const std::filesystem::path& target) override;
    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
    bool remove(const std::filesystem::path& path) override;
    storage::Lock lock(const std::filesystem::path&) override { return storage::Lock::kTaken; }
    void unlock(const std::filesystem::path&) override {}

    // Every file's content by name, as the program sees it now.
    std::map<std::string, std::string> files() const;

private:
    struct Change {  // one write or truncation since the last sync
        std::int64_t offset;
        std::string bytes;
        std::optional<std::int64_t> truncatedTo;
    };
    struct Inode {
        std::string live;
        std::string durable;
        std::vector<Change> unsynced;
        std::int64_t version = 0;
    };
    // One rename, creation or removal: names set to inodes (none: removed).
    using NameChange = std::vector<std::pair<std::string, std::optional<int>>>;

    void change();  // counts a change, and cuts the power at the chosen one
    std::optional<int> inodeOf(const std::filesystem::path& path) const;
    void changeNames(NameChange names);
    void applyChange(Inode& inode, const Change& change);

    std::map<std::string, int> m_names;
    std::map<std::string, int> m_durableNames;
    std::vector<NameChange> m_unsyncedNames;
    std::map<int, Inode> m_inodes;
    int m_nextInode = 1;
    long m_changes = 0;
    std::optional<long> m_budget;
    bool m_full = false;
};

}  // namespace storage::testing
