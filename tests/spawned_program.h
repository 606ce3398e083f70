#pragma once
// A program the tests run beside them (the recorder, a broker, a client),
// started with posix_spawn and its output read through pipes.
//
// Not QProcess: Qt starts children with clone(CLONE_VM | CLONE_VFORK), and
// ThreadSanitizer's runtime takes that clone for a fork. It runs its
// after-fork handling in the child, which shares the test's memory, so the
// handling lands on the test process itself: the test dies at its next new
// thread ("starting new threads after multi-threaded fork"), and what the
// runtime knows of the test's threads no longer matches their locks, which
// shows as races under a lock held on both sides. posix_spawn makes its
// child inside the C library, where no interceptor sees it, and the child
// only execs.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace kzrt::testing {

class SpawnedProgram {
public:
    enum class Output {
        Separate,   // stdout and stderr each read on their own
        Merged,     // stderr into stdout
        Discarded,  // both to /dev/null: nothing of the test's output held open
    };
    struct Options {
        std::string workingDirectory;  // empty: the test's
        Output output = Output::Separate;
        bool withInput = false;  // a pipe on stdin (writeInput); else /dev/null
        // Killed when the test dies, however it dies, so that a broker
        // never outlives a crashed test holding its port.
        bool dieWithTest = false;
    };

    SpawnedProgram() = default;
    ~SpawnedProgram();  // kills it if it still runs
    SpawnedProgram(const SpawnedProgram&) = delete;
    SpawnedProgram& operator=(const SpawnedProgram&) = delete;

    // `program` is a path, or a name looked up in PATH. False when it could
    // not be started (not found, not executable).
    bool start(const std::string& program, const std::vector<std::string>& arguments, const Options& options);
    bool start(const std::string& program, const std::vector<std::string>& arguments) {
        return start(program, arguments, Options{});
    }

    bool running();
    pid_t pid() const { return m_pid; }
    void signal(int number) const;
    // SIGTERM, and SIGKILL if it is still there after `grace`; then reaped.
    void stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

    // The exit code; -2 when a signal ended it, -1 when it still ran after
    // `timeout` (or never started). Reads its output meanwhile, so a program
    // that writes much never blocks on a full pipe.
    int waitForExit(std::chrono::milliseconds timeout);
    // Reads what came; true when anything came within `timeout`.
    bool waitForOutput(std::chrono::milliseconds timeout);

    // Everything read so far (waitFor* read; these read what is there now).
    const std::string& out();
    const std::string& err();

    void writeInput(const std::string& bytes);
    void closeInput();

private:
    bool readAvailable(int timeoutMs);
    bool reap(int flags);

    pid_t m_pid = -1;
    int m_status = 0;
    bool m_exited = false;
    int m_in = -1, m_out = -1, m_err = -1;
    std::string m_outText, m_errText;
};

}  // namespace kzrt::testing
