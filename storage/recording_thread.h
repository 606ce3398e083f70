#pragma once
// The recording's own thread. A recording tick on the window thread only hands
// its row over; the log append, its sync and the publication of the day's file
// happen here, in order. A sync waits for the disk, and a slow disk (an SD
// card, a USB stick, a throttled disk) would otherwise freeze the window and
// cost rows. Rows handed over while the disk is busy are written together.
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "storage/day_file_session.h"
#include "storage/file_system.h"

namespace storage {

class RecordingThread {
public:
    struct Report {
        std::filesystem::path dayFile;
        RecordingStep step;
        std::size_t rows;  // handed over in this batch
        std::vector<IgnoredSideFile> ignored;
    };
    // Called on the writer's thread after each batch of rows.
    using Reporter = std::function<void(Report)>;

    RecordingThread(std::unique_ptr<FileSystem> files, Reporter reporter);
    // Writes what was handed over, ends the session (the day's file synced,
    // its log removed), then ends the thread.
    ~RecordingThread();
    RecordingThread(const RecordingThread&) = delete;
    RecordingThread& operator=(const RecordingThread&) = delete;

    // Never waits for the disk.
    void record(std::filesystem::path dayFile, std::string row);
    // Ends the session once what was handed over is written.
    void finish();
    // Until everything handed over is written and reported (tests, benchmarks).
    void waitUntilIdle();

private:
    struct Job {
        std::filesystem::path dayFile;
        std::optional<std::string> row;  // none: end the session
    };
    void run();
    void work(std::deque<Job> jobs);
    void recordBatch(const std::filesystem::path& dayFile, const std::vector<std::string>& rows);
    void endSession();

    std::unique_ptr<FileSystem> m_files;
    Reporter m_reporter;
    std::unique_ptr<DayFileSession> m_session;
    std::set<std::filesystem::path> m_recovered;  // directories whose leftovers were folded

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace storage
