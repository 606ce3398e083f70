// The recorder as another process on a real file system: a reader beside it
// never finds a torn day's file, and killing it at random moments never costs
// a row that its day's file already showed.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <thread>

#include "storage/day_file_session.h"
#include "tests/console/numbered_rows.h"
#include "tests/runtime/child_process.h"

namespace console {
namespace {

namespace fs = std::filesystem;
using runtime::testing::HelperBesideTest;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string utf8(const fs::path& path) {
    const std::u8string name = path.u8string();
    return {name.begin(), name.end()};
}

class RecordingProcess : public ::testing::Test {
protected:
    RecordingProcess() { fs::create_directories(dir); }
    ~RecordingProcess() override { fs::remove_all(dir); }

    void seed(long rows) { std::ofstream(dayFile, std::ios::binary) << testing::numberedDayFile(rows); }
    fs::path started() const { return fs::path(dayFile) += ".started"; }
    // The writer may still be closing the marker (Windows refuses to remove
    // an open file).
    bool removeMarker() const {
        std::error_code error;
        for (int attempt = 0; attempt < 1000; ++attempt) {
            if (fs::remove(started(), error)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    // Kills a recorder `kills` times, each after it got going and ran for up
    // to `runMs`; after each kill the next start's recovery must give a whole
    // file that keeps every row the file showed just before the kill.
    void killRepeatedly(long seedRows, int kills, int runMs) {
        seed(seedRows);
        const unsigned randomSeed = std::random_device{}();
        SCOPED_TRACE("random seed " + std::to_string(randomSeed));
        std::mt19937 random(randomSeed);
        long newest = seedRows;
        const auto files = storage::NativeFileSystem();
        for (int kill = 0; kill < kills; ++kill) {
            runtime::testing::RunningChild writer(HelperBesideTest("console_recording_child"), {utf8(dayFile), "0"});
            ASSERT_TRUE(writer.started());
            for (int wait = 0; wait < 20000 && !fs::exists(started()); ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ASSERT_TRUE(removeMarker()) << "the writer did not start";
            std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, runMs)(random)));
            const long shown = testing::newestRow(readFile(dayFile));
            ASSERT_TRUE(writer.kill()) << "the writer stopped by itself";

            storage::recoverDirectory(*files, dir);
            const std::string content = readFile(dayFile);
            ASSERT_TRUE(testing::isWholeDayFile(content)) << "kill " << kill << ": not the header and whole rows";
            const long top = testing::newestRow(content);
            ASSERT_GE(top, std::max(newest, shown)) << "kill " << kill << ": a row is lost";
            newest = top;
            ASSERT_FALSE(fs::exists(storage::recordingLogPath(dayFile))) << "kill " << kill << ": the log was not folded in";
        }
        std::cout << kills << " kills, " << newest - seedRows << " rows, file " << fs::file_size(dayFile) << " bytes\n";
        EXPECT_GT(newest, seedRows + kills) << "the writers hardly got on: the kills proved nothing";
    }

    const fs::path dir = fs::temp_directory_path() / ("kzrt-recording-process-" + std::to_string(std::random_device()()));
    const fs::path dayFile = dir / "KZRT2015125.csv";
};

struct ReaderCase {
    const char* name;
    long ticks;
    // A viewer keeping the file open the way most programs open files
    // (without letting others delete it): on Windows no rename can replace
    // the file then, and every version is written into it in place.
    bool viewerHoldsIt;
};

class ReaderBesideTheRecorder : public RecordingProcess, public ::testing::WithParamInterface<ReaderCase> {};

// Ticks, each a new version of a 180 KB file, with a reader opening and
// reading it whole again and again, as a copy or our own export would.
TEST_P(ReaderBesideTheRecorder, NeverSeesATornFile) {
    const long ticks = GetParam().ticks;
    seed(2000);
    std::optional<std::ifstream> viewer;
    if (GetParam().viewerHoldsIt) viewer.emplace(dayFile, std::ios::binary);
    std::atomic<bool> done{false};
    int exitCode = -1;
    std::thread recorder([&] {
        exitCode = runtime::testing::RunChild(HelperBesideTest("console_recording_child"), {utf8(dayFile), std::to_string(ticks)});
        done = true;
    });
    long reads = 0, torn = 0;
    const auto files = storage::NativeFileSystem();
    long refused = 0;  // wine may refuse an open while the name is being replaced
    while (!done) {
        const std::optional<std::string> content = files->read(dayFile);
        ++reads;
        if (!content) {
            ++refused;
        } else if (!testing::isWholeDayFile(*content)) {
            ++torn;
        }
    }
    recorder.join();
    std::cout << reads << " reads beside " << ticks << " ticks, " << refused << " opens refused\n";
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_GT(reads, 20) << "the reader hardly got on: it proved nothing";
    viewer.reset();
    EXPECT_EQ(testing::newestRow(readFile(dayFile)), 2000 + ticks);
    EXPECT_FALSE(fs::exists(storage::recordingLogPath(dayFile)));
}

INSTANTIATE_TEST_SUITE_P(Cases, ReaderBesideTheRecorder,
                         ::testing::Values(ReaderCase{"alone", 1000, false},
                                           ReaderCase{"a_viewer_holds_it_open", 150, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The lines below the header, each row once or the test fails.
std::set<std::string> rowSet(const std::string& content) {
    std::set<std::string> rows;
    std::size_t at = content.find("\r\n");
    for (std::size_t end; at != std::string::npos && (end = content.find("\r\n", at + 2)) != std::string::npos; at = end) {
        EXPECT_TRUE(rows.insert(content.substr(at + 2, end - at - 2)).second) << "a row appears twice";
    }
    return rows;
}

// A killed recorder's log meets a day file that was replaced meanwhile by a
// whole one of 1,000 rows (a backup, a spreadsheet's save): the next start
// keeps every row of both.
TEST_F(RecordingProcess, AKilledRecordersLogKeepsEveryRowOfAReplacedDayFile) {
    seed(10);
    {
        runtime::testing::RunningChild writer(HelperBesideTest("console_recording_child"), {utf8(dayFile), "0"});
        ASSERT_TRUE(writer.started());
        for (int wait = 0; wait < 20000 && !fs::exists(started()); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(removeMarker()) << "the writer did not start";
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        ASSERT_TRUE(writer.kill()) << "the writer stopped by itself";
    }
    const std::set<std::string> beforeKill = rowSet(readFile(dayFile));
    ASSERT_TRUE(fs::exists(storage::recordingLogPath(dayFile)));
    std::vector<runtime::Text> restored;
    for (long n = 500001; n <= 501000; ++n) restored.push_back(testing::numberedRow(n));
    const std::string replacement = storage::dayFileView("", restored);
    std::ofstream(dayFile, std::ios::binary | std::ios::trunc) << replacement;
    EXPECT_EQ(runtime::testing::RunChild(HelperBesideTest("console_recording_child"), {utf8(dayFile), "5"}), 0);
    const std::set<std::string> after = rowSet(readFile(dayFile));
    for (const std::string& row : rowSet(replacement)) ASSERT_TRUE(after.contains(row)) << "lost: " << row;
    for (const std::string& row : beforeKill) ASSERT_TRUE(after.contains(row)) << "lost: " << row;
    // The log may hold the row whose tick the kill cut short, once.
    EXPECT_GE(after.size(), 1000 + beforeKill.size() + 5);
    EXPECT_LE(after.size(), 1000 + beforeKill.size() + 6);
    EXPECT_FALSE(fs::exists(storage::recordingLogPath(dayFile)));
}

TEST_F(RecordingProcess, AKilledRecorderOfA390KilobyteFileLosesNoShownRow) { killRepeatedly(4300, 30, 40); }

TEST_F(RecordingProcess, AKilledRecorderOfAnEightMegabyteFileLosesNoShownRow) { killRepeatedly(88000, 8, 150); }

}  // namespace
}  // namespace console
