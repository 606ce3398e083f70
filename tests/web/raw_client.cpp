#include "tests/web/raw_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace web::testing {

RawClient::~RawClient() { close(); }

RawClient::RawClient(RawClient&& other) noexcept : m_fd(other.m_fd), m_received(std::move(other.m_received)) {
    other.m_fd = -1;
}

bool RawClient::connect(int port) {
    close();
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

void RawClient::shrinkReceiveBuffer() {
    const int size = 4096;
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

bool RawClient::send(const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(m_fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += std::size_t(n);
    }
    return true;
}

bool RawClient::readUntil(const std::function<bool(const std::string&)>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done(m_received)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || m_fd < 0) return false;
        pollfd waiting{m_fd, POLLIN, 0};
        if (::poll(&waiting, 1, int(left.count())) <= 0) continue;
        char buffer[65536];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0) return done(m_received);
        m_received.append(buffer, std::size_t(n));
    }
    return true;
}

bool RawClient::readUntilContains(const std::string& text, std::chrono::milliseconds timeout) {
    return readUntil([&](const std::string& got) { return got.find(text) != std::string::npos; }, timeout);
}

void RawClient::close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

std::string get(int port, const std::string& target, const std::string& headers) {
    RawClient client;
    if (!client.connect(port)) return {};
    client.send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + headers + "\r\n");
    client.readUntil([](const std::string&) { return false; }, std::chrono::seconds(5));
    return client.received();
}

int statusOf(const std::string& answer) {
    if (answer.rfind("HTTP/1.", 0) != 0 || answer.size() < 12) return 0;
    return std::atoi(answer.substr(9, 3).c_str());
}

}  // namespace web::testing
