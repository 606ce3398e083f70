#pragma once
// What every handler works with: the window's controls and the handful of
// program-wide values. Handlers keep no state of their own between calls.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/form.h"
#include "runtime/gbk_codec.h"
#include "runtime/native_path.h"

namespace serial { class SerialPortUnit; }
namespace chart { class LineChartUnit; }
namespace storage { class RecordingThread; }

namespace console {

class PublishOutputs;

// The curve tables, rebuilt by every curve reset.
struct CurveTables {
    std::array<std::uint32_t, 2> colours{};   // Windows colour values
    std::array<runtime::Text, 2> names;
    std::array<float, 2> latestSamples{};     // voltage, current (scaled)
};

struct ProgramValues {
    // Frame assembly.
    int inFrameFlag = 0;
    int byteCounter = 0;
    // The frame being received, as text. Kept here rather than in the hidden
    // box 临时转换框 (which stays empty): it is rewritten on every byte, and a
    // widget round trip per byte is wasted work. Empty after each decoded
    // frame and after the port is closed (discardFrameText).
    runtime::Text frameText;
    // Watt-seconds and ampere-seconds. Doubles, not floats: a float's step at
    // a few hundred thousand watt-seconds is larger than many one-second
    // additions, and a long logging run would drift by whole percent.
    double energyAccumulator = 0.0;
    double chargeAccumulator = 0.0;
    // Elapsed-time counter.
    int timingFlag = 0;
    CurveTables curves;
    // Monotonic time of the last received byte, beside the minute-and-second
    // update stamp, so staleness is judged across the full hour too.
    std::optional<std::int64_t> lastByteMonotonicMs;
    // The clock's second (rounded to the millisecond, counted from the date
    // epoch) the update stamp was last written for.
    std::optional<std::int64_t> lastStampSecond;
    // The recording's writer thread, started by the first recorded row.
    std::shared_ptr<storage::RecordingThread> recordingThread;
    // Where the day files go: learnt when recording starts and when a new day
    // begins, not on every row (learning it creates a probe file). A failed
    // row does not move it: a folder unwritable for a moment would otherwise
    // send the rest of the day elsewhere.
    struct RecordingFolder {
        runtime::Path path;
        runtime::Text dayFileName;  // the day it was learnt for
    };
    std::optional<RecordingFolder> recordingFolder;
    // What the network outputs report beside the read-outs.
    std::uint64_t framesDecoded = 0;
    std::uint64_t rowsWritten = 0;
    std::uint64_t rowWriteFailures = 0;
    // The network outputs of the settings file's [Publish] section; none
    // without the section.
    std::shared_ptr<PublishOutputs> outputs;
};

struct Console {
    platform::Form& form;
    serial::SerialPortUnit& port;
    chart::LineChartUnit& chart;
    ProgramValues& values;
};

}  // namespace console
