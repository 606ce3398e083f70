#pragma once
// The far end of a serial line for tests: the master side of a
// pseudo-terminal, whose slave the unit under test opens through a COMn link
// in a scratch working directory.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace serial::testing {

class PtyFarEnd {
public:
    PtyFarEnd() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_slave = ::ptsname(m_master);
    }
    ~PtyFarEnd() { closeMaster(); }
    PtyFarEnd(const PtyFarEnd&) = delete;
    PtyFarEnd& operator=(const PtyFarEnd&) = delete;

    const std::string& slavePath() const { return m_slave; }
    int master() const { return m_master; }

    // Writes everything, waiting for room as needed.
    void write(std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t n = ::write(m_master, bytes.data(), bytes.size());
            if (n > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) throw std::runtime_error("far end write failed");
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
    }

    // Reads until `count` bytes came or the time ran out.
    std::string read(std::size_t count, std::chrono::milliseconds within = std::chrono::seconds(5)) const {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

    // Everything that arrives within `quiet`.
    std::string readAll(std::chrono::milliseconds quiet) const {
        return read(static_cast<std::size_t>(-1), quiet);
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

// CPU time (user + system) the whole process has used so far.
inline std::chrono::microseconds processCpuTime() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto us = [](const timeval& t) { return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec); };
    return std::chrono::duration_cast<std::chrono::microseconds>(us(usage.ru_utime) + us(usage.ru_stime));
}

}  // namespace serial::testing
