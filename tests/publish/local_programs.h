#pragma once
// The real programs the output tests talk to, started on 127.0.0.1 at a free
// port: Debian's mosquitto broker and mosquitto_sub, and raw TCP clients for
// the metrics endpoint (well-behaved and not).
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/spawned_program.h"

namespace publish::testing {

// A connected TCP socket to host:port (numeric IPv4 or IPv6), or -1.
int connectTcp(int port, const char* host = "127.0.0.1");
// Sends `request` on an open socket and reads one HTTP answer (headers and a
// Content-Length body), leaving the connection open; empty on timeout.
std::string httpOnConnection(int fd, const std::string& request,
                             std::chrono::milliseconds timeout = std::chrono::seconds(5));
// A socket listening on 127.0.0.1:port (holding the port), or -1.
int listenOn(int port);
// A port nothing listens on right now.
int freePort();
// Whether a TCP connection to 127.0.0.1:port is accepted.
bool portOpen(int port);
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

class Broker {
public:
    // `listenerOptions`: more lines for the configuration (TLS, passwords);
    // anonymous clients are allowed unless they say otherwise.
    explicit Broker(int port = freePort(), const QString& listenerOptions = {});
    ~Broker();
    bool start();  // true once it accepts connections
    void stop();   // SIGTERM and wait
    void signal(int number);  // SIGSTOP, SIGCONT, SIGHUP (reload), SIGKILL
    // Keeps sessions and their queued messages on disk (saved every second),
    // and finds them again when started anew.
    void keepSessions() { m_persistent = true; }
    int port() const { return m_port; }

private:
    int m_port;
    bool m_persistent = false;
    QString m_listenerOptions;
    QTemporaryDir m_dir;
    kzrt::testing::SpawnedProgram m_process;
};

// mosquitto_sub printing "<retained> <topic> <payload>" per message.
class Subscriber {
public:
    // `options`: more mosquitto_sub options (a user, QoS 1 and a lasting session).
    Subscriber(int port, const QStringList& topics, const QStringList& options = {});
    ~Subscriber();
    bool started() const { return m_started; }
    // Waits until a received line satisfies `match`; returns it, or empty.
    std::string waitFor(const std::function<bool(const std::string&)>& match,
                        std::chrono::milliseconds timeout = std::chrono::seconds(5));
    std::vector<std::string> lines();
    std::size_t count(const std::string& line);

private:
    void readAvailable();
    kzrt::testing::SpawnedProgram m_process;
    bool m_started = false;
    std::size_t m_consumed = 0;  // of the program's output, split into m_lines
    std::vector<std::string> m_lines;
};

// The value of one sample in /metrics text ("kzrt_up{meter=\"a\"}"), or empty.
std::string metricValue(const std::string& text, const std::string& series);

// The whole answer to `request` (read until the server closes, or timeout).
std::string httpExchange(int port, const std::string& request,
                         std::chrono::milliseconds timeout = std::chrono::seconds(5));
std::string httpGet(int port, const std::string& path = "/metrics");
// The body of an HTTP answer (after the blank line).
std::string httpBody(const std::string& answer);
// Runs a program to its end; exit code, output in `output`.
int runProgram(const QString& program, const QStringList& arguments, QString* output = nullptr,
               const QByteArray& input = {});

}  // namespace publish::testing
