#pragma once
// The far end of a serial line for tests: the master side of a
// pseudo-terminal, whose slave the unit under test opens through a COMn link.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace serial::testing {

class PtyFarEnd {
public:
    PtyFarEnd() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_slave = ::ptsname(m_master);
    }
    ~PtyFarEnd() { closeMaster(); }
    PtyFarEnd(const PtyFarEnd&) = delete;
    PtyFarEnd& operator=(const PtyFarEnd&) = delete;

    const std::string& slavePath() const { return m_slave; }

    // The line settings of the slave side, as whoever opened it left them
    // (the master of a pseudo-terminal reports its slave's).
    termios lineSettings() const {
        termios t{};
        ::tcgetattr(m_master, &t);
        return t;
    }

    // Writes everything; blocks while the line is full.
    void write(std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t n = ::write(m_master, bytes.data(), bytes.size());
            if (n < 0 && errno != EINTR) throw std::runtime_error("far end write failed");
            if (n > 0) bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    // Reads until `count` bytes came or nothing more came for `quiet`.
    std::string read(std::size_t count, std::chrono::milliseconds quiet = std::chrono::seconds(5)) const {
        std::string got;
        pollfd p{m_master, POLLIN, 0};
        char buffer[4096];
        while (got.size() < count && ::poll(&p, 1, static_cast<int>(quiet.count())) > 0) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

    // The far end goes away, as an adapter pulled out of its socket.
    void closeMaster() {
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    std::string m_slave;
};

// A fresh working directory for the test's COMn links and settings.
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kzrt-serial-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no scratch directory");
        m_path = pattern;
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    // Makes COM<n> in the directory point at `target`.
    void link(int portNumber, const std::string& target) const {
        const auto name = m_path / ("COM" + std::to_string(portNumber));
        std::error_code ignored;
        std::filesystem::remove(name, ignored);
        std::filesystem::create_symlink(target, name);
    }

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};

// Reproducible bytes of every value, 0xFF included, for floods.
inline std::string noise(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t x = 12345;
    for (char& c : bytes) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    return bytes;
}

}  // namespace serial::testing
