#pragma once
// A TCP client that says exactly what a test wants and reads as slowly as it
// wants: for live streams, and for clients that misbehave.
#include <chrono>
#include <functional>
#include <string>

namespace web::testing {

class RawClient {
public:
    RawClient() = default;
    ~RawClient();
    RawClient(RawClient&& other) noexcept;
    RawClient& operator=(RawClient&&) = delete;

    bool connect(int port);
    bool send(const std::string& text);
    // Reads until `done(received so far)` or the timeout; true when done.
    bool readUntil(const std::function<bool(const std::string&)>& done,
                   std::chrono::milliseconds timeout = std::chrono::seconds(5));
    bool readUntilContains(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    const std::string& received() const { return m_received; }
    void close();
    // The socket's receive buffer, made small so an unread stream backs up soon.
    void shrinkReceiveBuffer();

private:
    int m_fd = -1;
    std::string m_received;
};

// GET `target` with extra header lines ("Name: value\r\n"); the whole answer.
std::string get(int port, const std::string& target, const std::string& headers = {});
// The status code of an HTTP answer, or 0.
int statusOf(const std::string& answer);

}  // namespace web::testing
