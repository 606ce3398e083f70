#include "storage/recording_thread.h"

namespace storage {

RecordingThread::RecordingThread(std::unique_ptr<FileSystem> files, Reporter reporter)
    : m_files(std::move(files)), m_reporter(std::move(reporter)), m_thread([this] { run(); }) {}

RecordingThread::~RecordingThread() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void RecordingThread::record(std::filesystem::path dayFile, std::string row) {
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back({std::move(dayFile), std::move(row)});
    }
    m_wake.notify_one();
}

void RecordingThread::finish() {
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back({{}, std::nullopt});
    }
    m_wake.notify_one();
}

void RecordingThread::waitUntilIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

void RecordingThread::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty()) break;  // stopping, with everything written
        std::deque<Job> jobs = std::exchange(m_jobs, {});
        m_busy = true;
        lock.unlock();
        work(std::move(jobs));
        lock.lock();
        m_busy = false;
        m_idle.notify_all();
    }
    lock.unlock();
    endSession();
}

// Consecutive rows for one day's file make one batch: one append, one sync,
// one published version.
void RecordingThread::work(std::deque<Job> jobs) {
    while (!jobs.empty()) {
        if (!jobs.front().row) {
            endSession();
            jobs.pop_front();
            continue;
        }
        const std::filesystem::path dayFile = jobs.front().dayFile;
        std::vector<std::string> rows;
        while (!jobs.empty() && jobs.front().row && jobs.front().dayFile == dayFile) {
            rows.push_back(std::move(*jobs.front().row));
            jobs.pop_front();
        }
        recordBatch(dayFile, rows);
    }
}

void RecordingThread::recordBatch(const std::filesystem::path& dayFile, const std::vector<std::string>& rows) {
    if (m_session && m_session->dayFile() != dayFile) endSession();  // the day has changed
    std::vector<IgnoredSideFile> ignored;
    const std::filesystem::path directory = dayFile.has_parent_path() ? dayFile.parent_path() : ".";
    if (m_recovered.insert(directory).second) {
        // Logs a crash left, of this day or an earlier one.
        const Recovery recovery = recoverDirectory(*m_files, directory);
        ignored = recovery.ignored;
        for (const std::filesystem::path& removed : recovery.discarded) ignored.push_back({removed, {}});
    }
    if (!m_session) m_session = std::make_unique<DayFileSession>(*m_files, dayFile);
    const RecordingStep step = m_session->record(rows);
    std::vector<IgnoredSideFile> more = m_session->takeIgnored();
    ignored.insert(ignored.end(), more.begin(), more.end());
    if (m_reporter) m_reporter({dayFile, step, rows.size(), std::move(ignored)});
}

void RecordingThread::endSession() {
    if (!m_session) return;
    m_session->finish();
    m_session.reset();
}

}  // namespace storage
