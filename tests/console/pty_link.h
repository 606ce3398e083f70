#pragma once
// A pseudo-terminal whose slave side is linked as COMn in the working
// directory: the far end of the console's serial line in tests.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <termios.h>

namespace console::testing {

class PtyLink {
public:
    explicit PtyLink(int portNumber) : m_link("COM" + std::to_string(portNumber)) {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) return;
        // Raw master side: what the test writes is what the console reads.
        termios tio{};
        if (tcgetattr(m_master, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(m_master, TCSANOW, &tio);
        }
        std::filesystem::remove(m_link);
        std::filesystem::create_symlink(ptsname(m_master), m_link);
    }
    ~PtyLink() {
        std::filesystem::remove(m_link);
        if (m_master >= 0) close(m_master);
    }
    bool ok() const { return m_master >= 0; }
    // The far end goes away, as an unplugged adapter does.
    void unplug() {
        if (m_master >= 0) close(m_master);
        m_master = -1;
    }

    void write(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0) done += std::size_t(n);
            else poll(nullptr, 0, 1);
        }
    }
    // Everything that arrived from the console within `ms` milliseconds.
    std::string readFor(int ms) {
        std::string out;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            QCoreApplication::processEvents();
            char buf[256];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0) out.append(buf, std::size_t(n));
            else poll(nullptr, 0, 5);
        }
        return out;
    }

private:
    std::string m_link;
    int m_master = -1;
};

// Runs the event loop until `done` holds or `ms` milliseconds have passed.
inline bool waitUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace console::testing
