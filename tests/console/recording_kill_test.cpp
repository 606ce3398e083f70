// A writer killed at random moments never leaves a damaged day's file: after
// every kill the file is the header followed by whole rows, newest first, and
// every row the writer acknowledged before it died is there.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "tests/console/recording_kill_rows.h"

namespace console::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kKills = 220;
constexpr std::int64_t kSeedRows = 50'000;  // about 4 MB
constexpr int kLongestRunMs = 30;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Starts the writer with its stdout on a pipe; returns its pid and the pipe's read end.
std::pair<pid_t, int> startWriter(const fs::path& path, std::int64_t firstSequence) {
    int acks[2];
    if (pipe(acks) != 0) return {-1, -1};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(acks[1], STDOUT_FILENO);
        close(acks[0]);
        close(acks[1]);
        const std::string first = std::to_string(firstSequence);
        execl(KZRT_RECORDING_WRITER, KZRT_RECORDING_WRITER, path.c_str(), first.c_str(), nullptr);
        _exit(127);
    }
    close(acks[1]);
    return {pid, acks[0]};
}

// Reads acknowledgements until the deadline (or end of pipe); returns the
// newest sequence number seen, or `newest` when none came.
std::int64_t readAcks(int fd, std::string& pending, std::int64_t newest, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(std::max<std::int64_t>(left.count(), 0))) <= 0) return newest;
        char buffer[4096];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) return newest;
        pending.append(buffer, std::size_t(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            newest = std::max<std::int64_t>(newest, std::stoll(pending.substr(0, end)));
        }
    }
}

// The newest row's sequence number: the voltage field of the first row.
std::int64_t newestRow(const std::string& file) {
    const std::size_t comma = file.find(',', kRecordingHeaderBytes);
    const std::size_t next = file.find(',', comma + 1);
    if (comma == std::string::npos || next == std::string::npos) return -1;
    return std::stoll(file.substr(comma + 1, next - comma - 1));
}

TEST(RecordingKill, AKilledWriterLeavesTheHeaderAndWholeRowsWithNoAcknowledgedRowMissing) {
    const fs::path dir = fs::temp_directory_path() / ("kzrt-kill-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path path = dir / "KZRT2015125.csv";

    // Rows newest first below the header; `rows` holds them with the final
    // CR LF, and grows at its front as the writer adds rows.
    std::string rows;
    for (std::int64_t n = kSeedRows; n >= 1; --n) rows += killTestRow(n);
    rows += "\r\n";
    std::ofstream(path, std::ios::binary) << recordingHeader() << rows;

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> runMicroseconds(0, kLongestRunMs * 1000);

    std::int64_t acknowledged = kSeedRows;
    std::int64_t top = kSeedRows;
    int killedMidInsert = 0;  // a temporary file was left: the kill hit an insertion
    int unacknowledgedRows = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const auto [pid, acks] = startWriter(path, top + 1);
        ASSERT_GT(pid, 0);
        std::string pending;
        const auto deadline = Clock::now() + std::chrono::microseconds(runMicroseconds(random));
        acknowledged = readAcks(acks, pending, acknowledged, deadline);
        ::kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;
        // Everything written to the pipe before the kill is still in it.
        acknowledged = readAcks(acks, pending, acknowledged, Clock::now());
        close(acks);

        const std::string file = readFile(path);
        const std::int64_t newest = newestRow(file);
        ASSERT_GE(newest, acknowledged) << "kill " << kill << ": an acknowledged row is missing";
        // At most the row in flight when the kill came is there unacknowledged.
        const std::int64_t known = std::max(acknowledged, top);
        ASSERT_LE(newest, known + 1)
            << "kill " << kill << ": rows appeared that were never written";
        for (std::int64_t n = top + 1; n <= newest; ++n) rows.insert(0, killTestRow(n));
        unacknowledgedRows += newest > known;
        top = std::max(top, newest);
        ASSERT_EQ(file.size(), kRecordingHeaderBytes + rows.size()) << "kill " << kill;
        ASSERT_TRUE(file.compare(0, kRecordingHeaderBytes, recordingHeader()) == 0 &&
                    file.compare(kRecordingHeaderBytes, std::string::npos, rows) == 0)
            << "kill " << kill << ": the file is not the header followed by whole rows";

        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path() == path) continue;
            ++killedMidInsert;
            fs::remove(entry.path());
        }
    }
    std::cout << kKills << " kills, " << top - kSeedRows << " rows recorded, " << killedMidInsert
              << " kills left a temporary file, " << unacknowledgedRows
              << " kills fell between a row's insertion and its acknowledgement\n";
    // The kills must have hit insertions in progress, or the test proved nothing.
    EXPECT_GT(killedMidInsert, kKills / 10);
    EXPECT_GT(top, kSeedRows + kKills);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace console::testing
