#include "tests/spawned_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace kzrt::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Both ends close on exec: the child's copy is made by dup2, which clears
// that, and no other child inherits them.
bool makePipe(int ends[2]) { return ::pipe2(ends, O_CLOEXEC) == 0; }

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

int remainingMs(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

}  // namespace

SpawnedProgram::~SpawnedProgram() {
    if (m_pid > 0 && !m_exited) {
        ::kill(m_pid, SIGKILL);
        reap(0);
    }
    closeFd(m_in);
    closeFd(m_out);
    closeFd(m_err);
}

bool SpawnedProgram::start(const std::string& program, const std::vector<std::string>& arguments,
                           const Options& options) {
    std::vector<std::string> words;
    if (options.dieWithTest) words = {"setpriv", "--pdeathsig", "KILL", "--"};
    words.push_back(program);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
    const bool separate = options.output == Output::Separate;
    const bool discarded = options.output == Output::Discarded;
    if ((options.withInput && !makePipe(in)) || (!discarded && !makePipe(out)) || (separate && !makePipe(err))) {
        for (int* ends : {in, out, err}) closeFd(ends[0]), closeFd(ends[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.withInput) posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    else posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (discarded) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    } else {
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, separate ? err[1] : out[1], STDERR_FILENO);
    }
    if (!options.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());
    // The child starts as a shell would start it: no signal blocked, and
    // SIGPIPE back to its default (this process ignores it for writeInput).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, pipe;
    sigemptyset(&none);
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &pipe);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int result = ::posix_spawnp(&m_pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    closeFd(in[0]);
    closeFd(out[1]);
    closeFd(err[1]);
    m_in = in[1];
    m_out = out[0];
    m_err = err[0];
    for (const int fd : {m_out, m_err}) {
        if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    if (result != 0) {
        m_pid = -1;
        return false;
    }
    m_exited = false;
    return true;
}

bool SpawnedProgram::reap(int flags) {
    if (m_pid <= 0 || m_exited) return m_exited;
    int status = 0;
    pid_t got;
    do got = ::waitpid(m_pid, &status, flags);
    while (got < 0 && errno == EINTR);
    if (got == m_pid) {
        m_status = status;
        m_exited = true;
    }
    return m_exited;
}

bool SpawnedProgram::running() { return m_pid > 0 && !reap(WNOHANG); }

void SpawnedProgram::signal(int number) const {
    if (m_pid > 0 && !m_exited) ::kill(m_pid, number);
}

void SpawnedProgram::stop(std::chrono::milliseconds grace) {
    if (!running()) return;
    signal(SIGTERM);
    if (waitForExit(grace) == -1) {
        signal(SIGKILL);
        reap(0);
    }
}

int SpawnedProgram::waitForExit(std::chrono::milliseconds timeout) {
    if (m_pid <= 0) return -1;
    const auto end = Clock::now() + timeout;
    // A pipe that stays open (a grandchild holding it) must not hold up the
    // answer: the exit is checked between short reads.
    while (!reap(WNOHANG)) {
        if (Clock::now() >= end) return -1;
        if (!readAvailable(std::min(remainingMs(end), 20))) ::usleep(1000);
    }
    readAvailable(0);
    if (WIFEXITED(m_status)) return WEXITSTATUS(m_status);
    return -2;
}

bool SpawnedProgram::waitForOutput(std::chrono::milliseconds timeout) {
    return readAvailable(int(timeout.count()));
}

bool SpawnedProgram::readAvailable(int timeoutMs) {
    pollfd fds[2];
    std::string* texts[2];
    int* owners[2];
    nfds_t count = 0;
    for (auto [fd, text] : {std::pair{&m_out, &m_outText}, std::pair{&m_err, &m_errText}}) {
        if (*fd < 0) continue;
        fds[count] = {*fd, POLLIN, 0};
        texts[count] = text;
        owners[count++] = fd;
    }
    if (count == 0) {
        ::usleep(useconds_t(std::min(timeoutMs, 20)) * 1000);
        return false;
    }
    if (::poll(fds, count, timeoutMs) <= 0) return false;
    bool got = false;
    for (nfds_t i = 0; i < count; ++i) {
        if (fds[i].revents == 0) continue;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(*owners[i], buffer, sizeof buffer)) > 0) {
            texts[i]->append(buffer, std::size_t(n));
            got = true;
        }
        if (n == 0) closeFd(*owners[i]);  // the end of its output
    }
    return got;
}

const std::string& SpawnedProgram::out() {
    readAvailable(0);
    return m_outText;
}

const std::string& SpawnedProgram::err() {
    readAvailable(0);
    return m_errText;
}

void SpawnedProgram::writeInput(const std::string& bytes) {
    // A program that exits without reading must fail the write, not the test.
    static const bool pipeIgnored = (::signal(SIGPIPE, SIG_IGN), true);
    (void)pipeIgnored;
    std::size_t done = 0;
    while (m_in >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_in, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR) break;
        if (n > 0) done += std::size_t(n);
    }
}

void SpawnedProgram::closeInput() { closeFd(m_in); }

}  // namespace kzrt::testing
