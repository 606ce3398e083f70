// A writer killed at random moments never leaves a damaged day's file: after
// every kill the file is the header followed by whole rows, newest first, and
// every row the writer acknowledged before it died is there.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "tests/console/recording_kill_rows.h"

namespace console::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kKills = 220;
constexpr std::int64_t kSeedRows = 50'000;  // about 4 MB
constexpr int kLongestRunMs = 30;

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
    for (int kill = 0; kill < kKills; ++kill) {
        const auto [pid, acks] = startWriter(path, top + 1);
        ASSERT_GT(pid, 0);
        // The random run starts once the writer runs: start-up, slow under
        // sanitizers or on a busy machine, must not use it up.
        std::string acked;
        char buffer[4096];
        while (acked.find('\n') == std::string::npos) {
            const ssize_t got = read(acks, buffer, sizeof buffer);
            ASSERT_GT(got, 0) << "the writer did not start";
            acked.append(buffer, std::size_t(got));
        }
        acked.erase(0, acked.find('\n') + 1);
        usleep(useconds_t(runMicroseconds(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;
        // Every acknowledgement written before the kill is still in the pipe,
        // and whole: each is a single write of a few bytes.
        for (ssize_t got; (got = read(acks, buffer, sizeof buffer)) > 0;) acked.append(buffer, std::size_t(got));
        close(acks);
        if (!acked.empty()) acknowledged = std::stoll(acked.substr(acked.rfind('\n', acked.size() - 2) + 1));

        const std::string file = readFile(path);
        // The newest row's number: the voltage field of the first row.
        const std::int64_t newest = std::stoll(file.substr(file.find(',', kRecordingHeaderBytes) + 1));
        ASSERT_GE(newest, acknowledged) << "kill " << kill << ": an acknowledged row is missing";
        // At most the row in flight when the kill came is there unacknowledged.
        const std::int64_t known = std::max(acknowledged, top);
        ASSERT_LE(newest, known + 1) << "kill " << kill << ": rows appeared that were never written";
        for (std::int64_t n = top + 1; n <= newest; ++n) rows.insert(0, killTestRow(n));
        top = std::max(top, newest);
        ASSERT_TRUE(file == recordingHeader() + rows)
            << "kill " << kill << ": the file is not the header followed by whole rows";

        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path() == path) continue;
            ++killedMidInsert;
            fs::remove(entry.path());
        }
    }
    std::cout << kKills << " kills, " << top - kSeedRows << " rows recorded, " << killedMidInsert
              << " kills left a temporary file\n";
    // The kills must have hit insertions in progress and the writers must have
    // got on, or the test proved nothing. A row into a file this size takes
    // milliseconds, so a busy machine records fewer rows than there are kills.
    EXPECT_GT(killedMidInsert, kKills / 10);
    EXPECT_GT(top, kSeedRows + kKills / 4);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace console::testing
