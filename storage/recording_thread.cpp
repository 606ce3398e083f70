#include "storage/recording_thread.h"

#include <algorithm>

namespace storage {
namespace {

constexpr auto kEndRetry = std::chrono::seconds(1);

}  // namespace

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

bool RecordingThread::waitUntilEnded(std::chrono::milliseconds longest) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, longest, [this] { return m_jobs.empty() && !m_busy && m_endingCount == 0; });
}

void RecordingThread::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        const auto ready = [this] { return m_stopping || !m_jobs.empty(); };
        if (m_endingCount == 0) {
            m_wake.wait(lock, ready);
        } else {
            m_wake.wait_for(lock, kEndRetry, ready);
        }
        if (m_jobs.empty() && m_stopping) break;  // everything written
        std::deque<Job> jobs = std::exchange(m_jobs, {});
        m_busy = true;
        lock.unlock();
        work(std::move(jobs));
        retryEnds();
        lock.lock();
        m_busy = false;
        m_endingCount = m_ending.size();
        m_idle.notify_all();
    }
    lock.unlock();
    endSession();
    retryEnds();
    // What still cannot end keeps its log for the next start in that folder.
    for (std::unique_ptr<DayFileSession>& ending : m_ending) {
        ending->abandon();
        report(ending->dayFile(), RecordingStep::EndFailed, 0, ending->takeCounts(), {});
    }
    m_ending.clear();
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
    std::vector<FoldNote> notes;
    const std::filesystem::path directory = dayFile.has_parent_path() ? dayFile.parent_path() : ".";
    if (m_recovered.insert(directory).second) {
        // Logs a crash left, of this day or an earlier one.
        notes = recoverDirectory(*m_files, directory).notes;
    }
    if (!m_session) {
        // A session whose end is still waiting holds the lock and the log of
        // its day's file: recording into that file again goes on with it.
        const auto ending = std::find_if(m_ending.begin(), m_ending.end(),
                                         [&](const auto& session) { return session->dayFile() == dayFile; });
        if (ending != m_ending.end()) {
            m_session = std::move(*ending);
            m_ending.erase(ending);
        } else {
            m_session = std::make_unique<DayFileSession>(*m_files, dayFile);
        }
    }
    const RecordingStep step = m_session->record(rows);
    std::vector<FoldNote> more = m_session->takeNotes();
    notes.insert(notes.end(), more.begin(), more.end());
    report(dayFile, step, rows.size(), m_session->takeCounts(), std::move(notes));
}

void RecordingThread::endSession() {
    if (!m_session) return;
    std::unique_ptr<DayFileSession> session = std::move(m_session);
    const bool ended = session->finish();
    const std::filesystem::path dayFile = session->dayFile();
    const RowCounts counts = session->takeCounts();
    if (!ended) m_ending.push_back(std::move(session));  // its rows still wait: counted in the report
    report(dayFile, ended ? RecordingStep::SessionEnded : RecordingStep::EndFailed, 0, counts, {});
}

void RecordingThread::retryEnds() {
    for (auto it = m_ending.begin(); it != m_ending.end();) {
        if (!(*it)->finish()) {
            ++it;
            continue;
        }
        const std::unique_ptr<DayFileSession> ended = std::move(*it);
        it = m_ending.erase(it);
        report(ended->dayFile(), RecordingStep::SessionEnded, 0, ended->takeCounts(), {});
    }
}

std::size_t RecordingThread::waitingRows() const {
    std::size_t waiting = 0;
    for (const std::unique_ptr<DayFileSession>& ending : m_ending) waiting += ending->waitingRows();
    if (m_session) waiting += m_session->waitingRows();
    return waiting;
}

void RecordingThread::report(const std::filesystem::path& dayFile, RecordingStep step, std::size_t rows,
                             RowCounts counts, std::vector<FoldNote> notes) {
    if (!m_reporter) return;
    m_reporter({dayFile, step, rows, counts.written, counts.failed, waitingRows(), std::move(notes)});
}

}  // namespace storage
