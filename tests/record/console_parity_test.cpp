// The console's handlers and the recorder's pipeline fed the same bytes at the
// same moments write the same rows, byte for byte: the console's row is read
// back from its own day file.
#include <random>
#include <vector>

#include "console/data_recording.h"
#include "console/elapsed_timer.h"
#include "meter/recording_row.h"
#include "storage/recording_thread.h"
#include "record/meter_pipeline.h"
#include "runtime/date_time.h"
#include "tests/console/console_fixture.h"

using namespace console;
using console::testing::ConsoleFixture;

namespace {

using Bytes = std::vector<int>;
constexpr int kDataArrived = 1;

Bytes frame(int start, int currentCode, std::array<int, 5> volts, std::array<int, 5> amps, int sign,
            std::array<int, 3> tenths) {
    Bytes bytes{start, 0x07, 0x00, currentCode};
    bytes.insert(bytes.end(), volts.begin(), volts.end());
    bytes.insert(bytes.end(), amps.begin(), amps.end());
    bytes.push_back(sign);
    bytes.insert(bytes.end(), tenths.begin(), tenths.end());
    return bytes;
}

// Edge frames: every scale and code, unknown codes that keep a read-out,
// digit bytes of 10 and more, a zero current (resistance overload), a power
// overload, restarts inside a frame and noise between frames.
std::vector<Bytes> edgeStreams() {
    std::vector<Bytes> streams = {
        frame(0xA1, 0x10, {1, 2, 3, 4, 5}, {0, 1, 2, 3, 4}, 0x2B, {2, 5, 3}),
        frame(0xA0, 0x00, {0, 0, 5, 0, 0}, {0, 1, 2, 3, 4}, 0x00, {0, 0, 0}),
        frame(0xA2, 0x20, {9, 9, 9, 9, 9}, {9, 9, 9, 9, 9}, 0x2D, {1, 0, 5}),
        frame(0xA1, 0xFF, {0, 5, 0, 0, 0}, {0, 0, 0, 0, 0}, 0x02, {9, 9, 9}),
        frame(0xA1, 0x10, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, 0x01, {2, 5, 3}),
        frame(0xA0, 0x20, {255, 255, 255, 255, 255}, {0, 0, 0, 0, 10}, 0x2B, {12, 3, 4}),
        frame(0xA2, 0x00, {0, 0, 0, 0, 1}, {9, 9, 9, 9, 9}, 0x2B, {0, 0, 1}),
    };
    Bytes restart = {0xA0, 0x01, 0x02, 0x10, 0x01, 0xA2};
    const Bytes tail = frame(0xA2, 0x10, {1, 2, 3, 4, 5}, {0, 1, 2, 3, 4}, 0x2B, {2, 5, 3});
    restart.insert(restart.end(), tail.begin() + 1, tail.end());
    streams.push_back(restart);
    streams.push_back({0x00, 0x41, 0xFF, 159, 163, 0x0D, 0x0A});
    return streams;
}

// Random bytes leaning towards start bytes and digits, so frames complete.
Bytes randomStream(std::mt19937& random, int length) {
    std::uniform_int_distribution<int> kind(0, 9), digit(0, 9), any(0, 255), start(0xA0, 0xA2);
    Bytes bytes;
    for (int i = 0; i < length; ++i) {
        const int k = kind(random);
        bytes.push_back(k == 0 ? start(random) : k < 8 ? digit(random) : any(random));
    }
    return bytes;
}

class ConsoleParity : public ConsoleFixture {
protected:
    ConsoleParity() {
        runtime::SetClockForTesting([this] { return m_now; });
        runtime::SetMonotonicClockForTesting([this] { return m_monotonicMs; });
        m_now = runtime::MakeDateTime(2026, 3, 9, 13, 59, 50);  // crosses a whole hour
        startWindow();
        form().setChecked(kRecordBox, 1);
    }
    ~ConsoleParity() override {
        runtime::SetClockForTesting({});
        runtime::SetMonotonicClockForTesting({});
    }

    void feed(const Bytes& bytes) {
        for (int byte : bytes) {
            const std::int32_t argument = byte;
            form().raise(kPort, kDataArrived, std::span<const std::int32_t>(&argument, 1));
            m_pipeline.receiveByte(byte, m_monotonicMs);
        }
    }

    // One second: the clock tick's integration, then the recording tick.
    void second() {
        m_now += 1.0 / 86400.0;
        m_monotonicMs += 1000;
        onClockTick(context());
        m_pipeline.integrateOneSecond();
        onRecordingTick(context());
        // The console's row goes to the disk on its writer's thread.
        if (context().values.recordingThread) context().values.recordingThread->waitUntilIdle();
        m_pipeline.clearIfStale(m_now, m_monotonicMs);
        ++m_rows;
        const std::string file = console::testing::readFile(dir / meter::recordingFileName(m_now));
        if (m_rows == 1) return;  // the console's first tick only starts the file
        const std::size_t end = file.find("\r\n", meter::kRecordingHeaderBytes + 2);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(file.substr(meter::kRecordingHeaderBytes, end - meter::kRecordingHeaderBytes), m_pipeline.rowText(m_now))
            << "row " << m_rows;
    }

    record::MeterPipeline m_pipeline;
    runtime::DateTime m_now = 0.0;
    std::int64_t m_monotonicMs = 10'000;
    int m_rows = 0;
};

TEST_F(ConsoleParity, EdgeFramesGiveTheConsolesRows) {
    second();
    for (const Bytes& stream : edgeStreams()) {
        feed(stream);
        second();
    }
    // Silent for four seconds: both clear the live read-outs on the same tick.
    for (int i = 0; i < 4; ++i) second();
    EXPECT_EQ(m_pipeline.readouts().voltage, "0");
}

TEST_F(ConsoleParity, RandomStreamsGiveTheConsolesRows) {
    std::mt19937 random(20261207);
    second();
    for (int i = 0; i < 60; ++i) {
        feed(randomStream(random, 90));
        second();
    }
    EXPECT_NE(m_pipeline.readouts().energy, "0");  // the streams decoded to something
}

}  // namespace
