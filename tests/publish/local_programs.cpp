#include "tests/publish/local_programs.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include <QFile>
#include <QThread>
#include <algorithm>
#include <chrono>

namespace publish::testing {
namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int connectTo(int port) { return connectTcp(port); }

// Sends, then reads until the peer closes, nothing comes for `timeout`, or
// `complete` says the answer is whole.
std::string sendAndRead(int fd, const std::string& request, std::chrono::milliseconds timeout,
                        const std::function<bool(const std::string&)>& complete) {
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string answer;
    char buffer[4096];
    pollfd poller{fd, POLLIN, 0};
    while (poll(&poller, 1, int(timeout.count())) > 0) {
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        answer.append(buffer, std::size_t(got));
        if (complete(answer)) break;
    }
    return answer;
}

}  // namespace

int connectTcp(int port, const char* host) {
    sockaddr_storage storage{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    socklen_t size = sizeof *v4;
    if (inet_pton(AF_INET, host, &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(std::uint16_t(port));
    } else {
        inet_pton(AF_INET6, host, &v6->sin6_addr);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(std::uint16_t(port));
        size = sizeof *v6;
    }
    const int fd = socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&storage), size) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string httpOnConnection(int fd, const std::string& request, std::chrono::milliseconds timeout) {
    bool whole = false;
    std::string answer = sendAndRead(fd, request, timeout, [&](const std::string& got) {
        const std::size_t blank = got.find("\r\n\r\n");
        const std::size_t length = got.find("Content-Length: ");
        whole = blank != std::string::npos && length != std::string::npos &&
                got.size() >= blank + 4 + std::stoul(got.substr(length + 16));
        return whole;
    });
    return whole ? answer : std::string();
}

int listenOn(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(port);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

bool portOpen(int port) {
    const int fd = connectTo(port);
    if (fd < 0) return false;
    close(fd);
    return true;
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QThread::msleep(20);
    }
    return true;
}

Broker::Broker(int port, const QString& listenerOptions) : m_port(port), m_listenerOptions(listenerOptions) {}

Broker::~Broker() { stop(); }

bool Broker::start() {
    const QString config = m_dir.filePath(QStringLiteral("mosquitto.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QString anonymous = m_listenerOptions.contains(QLatin1String("allow_anonymous"))
                            ? QString()
                            : QStringLiteral("allow_anonymous true\n");
    // Started by root, mosquitto would turn into the user "mosquitto", which
    // also clears the signal that ends it with the test.
    if (geteuid() == 0) anonymous += QStringLiteral("user root\n");
    const QString persistence = m_persistent ? QStringLiteral("persistence true\npersistence_location %1/\n"
                                                              "autosave_interval 1\n")
                                                   .arg(m_dir.path())
                                             : QStringLiteral("persistence false\n");
    file.write(QStringLiteral("listener %1 127.0.0.1\n%2%3\n%4log_dest none\n")
                   .arg(m_port)
                   .arg(anonymous, m_listenerOptions, persistence)
                   .toUtf8());
    file.close();
    // Nothing inherited: a broker outliving a crashed test must not hold the
    // test runner's output open. It dies with the test too.
    kzrt::testing::SpawnedProgram::Options options;
    options.output = kzrt::testing::SpawnedProgram::Output::Discarded;
    options.dieWithTest = true;
    if (!m_process.start("mosquitto", {"-c", config.toStdString()}, options)) return false;
    return waitUntil([&] { return portOpen(m_port); }, std::chrono::seconds(5));
}

void Broker::stop() { m_process.stop(); }

void Broker::signal(int number) {
    if (!m_process.running()) return;
    const pid_t pid = m_process.pid();
    m_process.signal(number);
    if (number == SIGKILL) m_process.waitForExit(std::chrono::seconds(5));
    // Stopped for certain before the caller goes on: what the broker still
    // took before the signal landed is not the caller's to count.
    if (number != SIGSTOP) return;
    waitUntil([&] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) return true;
        const QByteArray text = stat.readAll();
        const qsizetype close = text.lastIndexOf(')');
        return close >= 0 && text.size() > close + 2 && text[close + 2] == 'T';
    }, std::chrono::seconds(2));
}

Subscriber::Subscriber(int port, const QStringList& topics, const QStringList& options) {
    std::vector<std::string> arguments{"-h", "127.0.0.1", "-p", std::to_string(port), "-F", "%r %t %p"};
    for (const QString& option : options) arguments.push_back(option.toStdString());
    for (const QString& topic : topics) arguments.insert(arguments.end(), {"-t", topic.toStdString()});
    m_started = m_process.start("mosquitto_sub", arguments);
    // mosquitto_sub says nothing once subscribed; give it a moment to be.
    QThread::msleep(300);
}

Subscriber::~Subscriber() {
    m_process.signal(SIGKILL);
    m_process.waitForExit(std::chrono::seconds(5));
}

void Subscriber::readAvailable() {
    const std::string& output = m_process.out();
    std::size_t end = 0;
    while ((end = output.find('\n', m_consumed)) != std::string::npos) {
        m_lines.push_back(output.substr(m_consumed, end - m_consumed));
        m_consumed = end + 1;
    }
}

std::string Subscriber::waitFor(const std::function<bool(const std::string&)>& match,
                                std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    std::size_t seen = 0;
    while (true) {
        readAvailable();
        for (; seen < m_lines.size(); ++seen) {
            if (match(m_lines[seen])) return m_lines[seen];
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return {};
        m_process.waitForOutput(std::min<std::chrono::milliseconds>(left, std::chrono::milliseconds(100)));
    }
}

std::vector<std::string> Subscriber::lines() {
    // Whatever is still on its way in the pipe.
    while (m_process.waitForOutput(std::chrono::milliseconds(50))) {
    }
    readAvailable();
    return m_lines;
}

std::size_t Subscriber::count(const std::string& line) {
    lines();
    return std::size_t(std::count(m_lines.begin(), m_lines.end(), line));
}

std::string httpExchange(int port, const std::string& request, std::chrono::milliseconds timeout) {
    const int fd = connectTo(port);
    if (fd < 0) return {};
    std::string answer = sendAndRead(fd, request, timeout, [](const std::string&) { return false; });
    close(fd);
    return answer;
}

std::string httpGet(int port, const std::string& path) {
    return httpExchange(port, "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
}

std::string metricValue(const std::string& text, const std::string& series) {
    const std::size_t at = text.find("\n" + series + " ");
    if (at == std::string::npos) return {};
    const std::size_t start = at + series.size() + 2;
    return text.substr(start, text.find('\n', start) - start);
}

std::string httpBody(const std::string& answer) {
    const std::size_t blank = answer.find("\r\n\r\n");
    return blank == std::string::npos ? std::string() : answer.substr(blank + 4);
}

int runProgram(const QString& program, const QStringList& arguments, QString* output, const QByteArray& input) {
    kzrt::testing::SpawnedProgram process;
    kzrt::testing::SpawnedProgram::Options options;
    options.output = kzrt::testing::SpawnedProgram::Output::Merged;
    options.withInput = true;
    std::vector<std::string> words;
    for (const QString& argument : arguments) words.push_back(argument.toStdString());
    if (!process.start(program.toStdString(), words, options)) return -1;
    process.writeInput(input.toStdString());
    process.closeInput();
    const int code = process.waitForExit(std::chrono::seconds(30));
    if (output) *output = QString::fromStdString(process.out());
    return code < 0 ? -1 : code;
}

}  // namespace publish::testing
