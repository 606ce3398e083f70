#pragma once
// The recording's own thread. A recording tick on the window thread only hands
// its row over; the log append, its sync and the publication of the day's file
// happen here, in order. A sync waits for the disk, and a slow disk (an SD
// card, a USB stick, a throttled disk) would otherwise freeze the window and
// cost rows. Rows handed over while the disk is busy are written together.
//
// A session that could not end (its day's file held by another program, a
// full disk) keeps its lock and its log and is tried again every second while
// the thread runs, so a program that runs for days does not leave yesterday's
// file short.
#include <chrono>
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
        std::size_t rows = 0;     // handed over in this batch
        std::size_t written = 0;  // rows that reached a day's file in this step
        std::size_t failed = 0;   // rows given up for good in this step
        std::size_t waiting = 0;  // rows kept for a later try, every day's file together
        std::vector<FoldNote> notes;
    };
    // Called on the thread after each batch of rows and each session end.
    using Reporter = std::function<void(Report)>;

    RecordingThread(std::unique_ptr<FileSystem> files, Reporter reporter);
    // Writes what was handed over, ends the sessions (a session that still
    // cannot end leaves its log for the next start), then ends the thread.
    ~RecordingThread();
    RecordingThread(const RecordingThread&) = delete;
    RecordingThread& operator=(const RecordingThread&) = delete;

    // Never waits for the disk.
    void record(std::filesystem::path dayFile, std::string row);
    // Ends the session once what was handed over is written.
    void finish();
    // Until everything handed over is written and reported (tests, benchmarks).
    void waitUntilIdle();
    // Until no session waits to end, or the time is up; true when none does.
    bool waitUntilEnded(std::chrono::milliseconds longest);

private:
    struct Job {
        std::filesystem::path dayFile;
        std::optional<std::string> row;  // none: end the session
    };
    void run();
    void work(std::deque<Job> jobs);
    void recordBatch(const std::filesystem::path& dayFile, const std::vector<std::string>& rows);
    void endSession();
    void retryEnds();
    void report(const std::filesystem::path& dayFile, RecordingStep step, std::size_t rows, RowCounts counts,
                std::vector<FoldNote> notes);
    std::size_t waitingRows() const;

    std::unique_ptr<FileSystem> m_files;
    Reporter m_reporter;
    std::unique_ptr<DayFileSession> m_session;
    std::vector<std::unique_ptr<DayFileSession>> m_ending;  // sessions whose end failed, tried again
    std::set<std::filesystem::path> m_recovered;  // directories whose leftovers were folded

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::size_t m_endingCount = 0;  // m_ending.size(), for waitUntilEnded
    std::thread m_thread;
};

}  // namespace storage
