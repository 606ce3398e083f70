// Time per meter frame in the real window (offscreen): from the delivery of
// a frame's last byte through the port event to the five read-outs written.
// Every frame carries other values than the one before, so each read-out is
// really rewritten. Paint events are let through between frames, outside
// the timed part, as the message loop would.
#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

#include "console/control_ids.h"
#include "meter/frame_decoder.h"
#include "console/main_window.h"
#include "runtime/program_paths.h"

namespace {

constexpr int kDataArrived = 1;
constexpr int kFrameLength = 18;
using Frame = std::vector<std::int32_t>;

std::vector<Frame> makeFrames(std::size_t count)
{
    std::mt19937 random(20240501);
    std::uniform_int_distribution<int> digit(0, 9);
    const int starts[] = {0xA0, 0xA1, 0xA2};
    const int currentCodes[] = {0x00, 0x10, 0x20};
    const int signCodes[] = {0x2B, 0x2D, 0x00, 0x01};
    std::vector<Frame> frames;
    for (std::size_t i = 0; i < count; ++i) {
        Frame frame{starts[i % 3], 0x07, 0x00, currentCodes[(i / 3) % 3]};
        for (int d = 0; d < 10; ++d) frame.push_back(digit(random));
        frame.push_back(signCodes[i % 4]);
        for (int d = 0; d < 3; ++d) frame.push_back(digit(random));
        frames.push_back(std::move(frame));
    }
    return frames;
}

// The window lives in a scratch directory, where it writes its default settings.
struct Bench {
    Bench()
    {
        std::filesystem::current_path(directory.path().toStdString());
        runtime::SetModulePath(directory.filePath("kzrt-console").toStdString());
        window.start();
        window.show();
        QApplication::processEvents();
    }
    void deliver(std::int32_t byte)
    {
        window.form().raise(console::kPort, kDataArrived, std::span<const std::int32_t>(&byte, 1));
    }

    QTemporaryDir directory;
    console::MainWindow window;
};

Bench& bench()
{
    static Bench instance;
    return instance;
}

double percentile(std::vector<double>& samples, double fraction)
{
    const auto at = samples.begin() + static_cast<std::ptrdiff_t>(fraction * double(samples.size() - 1));
    std::nth_element(samples.begin(), at, samples.end());
    return *at;
}

void reportSamples(benchmark::State& state, std::vector<double>& nanoseconds)
{
    if (nanoseconds.empty()) return;
    state.counters["median_us"] = percentile(nanoseconds, 0.5) / 1000.0;
    state.counters["p90_us"] = percentile(nanoseconds, 0.9) / 1000.0;
    state.counters["p99_us"] = percentile(nanoseconds, 0.99) / 1000.0;
}

// Delivers frames byte by byte and times the delivery of byte `timed` of
// each; with `paintEach` the event loop then runs, widget updates and paint
// included, inside the timing, as it would between two bursts.
void timeDeliveries(benchmark::State& state, std::size_t timed, bool paintEach)
{
    using Clock = std::chrono::steady_clock;
    Bench& b = bench();
    const std::vector<Frame> frames = makeFrames(1000);
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(state.max_iterations));
    std::size_t n = 0;
    for (auto _ : state) {
        const Frame& frame = frames[n++ % frames.size()];
        for (std::size_t i = 0; i < timed; ++i) b.deliver(frame[i]);
        const auto begin = Clock::now();
        b.deliver(frame[timed]);
        if (paintEach) QApplication::processEvents();
        const auto end = Clock::now();
        for (std::size_t i = timed + 1; i < frame.size(); ++i) b.deliver(frame[i]);
        const std::chrono::duration<double> elapsed = end - begin;
        state.SetIterationTime(elapsed.count());
        samples.push_back(elapsed.count() * 1e9);
        if (n % 32 == 0) QApplication::processEvents();
    }
    // A decoded frame empties the frame text; anything left means no decode ran.
    if (!b.window.values().frameText.empty()) state.SkipWithError("the last frame was not decoded");
    reportSamples(state, samples);
}

// The last byte of a frame: decoding and the five read-outs written (the
// widgets take the latest texts once per event-loop pass, outside the timing).
void BM_LastByteToReadouts(benchmark::State& state) { timeDeliveries(state, kFrameLength - 1, false); }
BENCHMARK(BM_LastByteToReadouts)->UseManualTime()->Iterations(100000)->Unit(benchmark::kMicrosecond);

// The same with the event loop run after each frame: read-outs shown and painted.
void BM_LastByteToPaintedReadouts(benchmark::State& state) { timeDeliveries(state, kFrameLength - 1, true); }
BENCHMARK(BM_LastByteToPaintedReadouts)->UseManualTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);

// One byte inside a frame: assembly and the update stamp only.
void BM_MidFrameByte(benchmark::State& state) { timeDeliveries(state, 9, false); }
BENCHMARK(BM_MidFrameByte)->UseManualTime()->Iterations(100000)->Unit(benchmark::kMicrosecond);

// The pure part of a frame, no widgets: assembly of 18 bytes and decoding.
void BM_AssembleAndDecodePure(benchmark::State& state)
{
    const std::vector<Frame> frames = makeFrames(1000);
    int inFrame = 0;
    int counter = 0;
    runtime::Text text;
    std::size_t n = 0;
    for (auto _ : state) {
        for (std::int32_t byte : frames[n++ % frames.size()]) {
            if (meter::assembleFrameByte(byte, inFrame, counter, text)) {
                benchmark::DoNotOptimize(meter::decodeFrame(text));
                text.clear();
            }
        }
    }
}
BENCHMARK(BM_AssembleAndDecodePure)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    // No display needed: the window is real, drawn offscreen.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
