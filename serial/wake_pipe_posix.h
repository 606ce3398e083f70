#pragma once
// Other threads knock on the reader's wait through this pipe. Requests
// themselves live in shared state; the pipe only wakes the reader.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace serial::posix {

class WakePipe {
public:
    WakePipe() = default;
    ~WakePipe() { close(); }
    WakePipe(const WakePipe&) = delete;
    WakePipe& operator=(const WakePipe&) = delete;

    int open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return errno;
        m_read = fds[0];
        m_write = fds[1];
        return 0;
    }
    void close() {
        for (int* fd : {&m_read, &m_write})
            if (*fd >= 0) ::close(std::exchange(*fd, -1));
    }
    void signal() const {
        const char knock = 1;
        // A full pipe already holds a knock: nothing is lost.
        [[maybe_unused]] ssize_t n = ::write(m_write, &knock, 1);
    }
    void drain() const {
        char sink[64];
        while (::read(m_read, sink, sizeof sink) > 0) {
        }
    }
    int readFd() const { return m_read; }

private:
    int m_read = -1;
    int m_write = -1;
};

}  // namespace serial::posix
