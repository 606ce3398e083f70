#pragma once
// The POSIX engine behind PortChannel, shared by the files that make it up:
//   port_opening_posix.cpp        opening, configuring and closing the device
//   port_reader_posix.cpp         the reader thread: reading, line changes, writes
//   reconnection_watch_posix.cpp  the device going away and coming back
//   port_channel_posix.cpp        the owner's side (Open, Close, Send ...)
//
// A device that goes away while the port is open is closed by the reader at
// once, so that the system can give its name to the device when it returns
// (a descriptor left open on a dead adapter makes it come back under another
// number). The reader then waits for it without spending CPU and reopens it
// with the same settings, but only if it is the same device
// (reconnection_policy.h); the owner only ever sees bytes again.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "serial/device_watch.h"
#include "serial/line_mapping_posix.h"
#include "serial/line_watch.h"
#include "serial/parity_marks.h"
#include "serial/port_channel.h"
#include "serial/port_hints.h"
#include "serial/reconnection_policy.h"
#include "serial/wake_pipe_posix.h"

namespace serial {

using Clock = std::chrono::steady_clock;
// Modem lines are polled (the kernel's wait for them blocks outside poll()).
inline constexpr auto kModemPollInterval = std::chrono::milliseconds(100);

inline std::string systemMessage(int error) { return std::system_category().message(error); }
PortError osError(int error);
int millisecondsUntil(Clock::time_point when);

struct PortChannel::Engine {
    Engine(PendingCallback callback, std::size_t limit, DeviceTree roots)
        : queue(limit), onPending(std::move(callback)), tree(std::move(roots)) {}

    NotificationQueue queue;
    PendingCallback onPending;
    const DeviceTree tree;  // where device names and their descriptions are looked up
    PortError lastError;

    // What Open found, kept for a returning device: the settings, and the
    // device as it was when it was last opened (the name, its link, the
    // adapter behind it). The reader updates `opened` when it reopens.
    PortSettings settings;
    DeviceSighting opened;
    std::vector<std::string> presentAtOpen;  // port-number candidates there at Open
    ReconnectionLog reconnection;
    std::atomic<DeviceState> state{DeviceState::Connected};
    mutable std::mutex deviceMutex;  // guards `device`, renamed by the reader
    std::string device;              // the name the open device was opened under

    // The open device. Set up by the owner while no reader runs; then the
    // reader's alone.
    int fd = -1;
    bool exclusive = false;
    int timeoutMs = 0;
    ParityMarkDecoder decoder;
    bool marksInBand = false;
    bool watchCounters = false;
    bool watchLines = false;
    LineSnapshot lines;
    Clock::time_point nextModemPoll;

    // Reader only, while the device is away.
    DeviceWatch watch;
    Clock::time_point nextReconnectLook;
    Clock::time_point lastReturn;

    // The reader thread and what the owner hands it, under `mutex`.
    std::thread reader;
    posix::WakePipe wake;
    std::mutex mutex;
    std::condition_variable writeDoneSignal;
    bool stopRequested = false;
    bool writeRequested = false;
    bool writeDone = false;
    bool writeResult = false;
    std::string writeBuffer;

    void setDevice(const std::string& name);
    std::string currentDevice() const;
    bool away() const { return state.load() == DeviceState::Away || state.load() == DeviceState::GivenUp; }
    // A hang-up seen by any step: the reader closes the device at the end of its round.
    void markLost() {
        DeviceState expected = DeviceState::Connected;
        state.compare_exchange_strong(expected, DeviceState::Lost);
    }
    bool lost() const { return state.load() == DeviceState::Lost; }

    // Opening (port_opening_posix.cpp); connect() runs the steps for Open and
    // for a returning device.
    // `expected`: the device number the name was judged by (0: any).
    PortError connect(const std::string& path, std::uint64_t expected = 0);
    PortError openDevice(const std::string& path);
    PortError configure(const std::string& path);
    PortError setModemLines(const posix::ModemLinePlan& plan);
    void startLineWatch();
    void closeDevice(bool drainOutput);
    PortError startReader();
    void stopReader();

    // The reader thread (port_reader_posix.cpp).
    void run();
    int waitTimeout(bool gathering, bool full, Clock::time_point gatherUntil) const;
    std::size_t readAvailable(short revents);
    void readWhatHasArrived();
    void checkLines();
    LineSnapshot takeLineSnapshot();
    bool performWrite();
    bool waitWritable(Clock::time_point deadline);
    void post(const std::vector<Notification>& items);

    // Away and back (reconnection_watch_posix.cpp).
    void loseDevice();
    void lookForDevice(bool somethingChanged);
    void reopen(const DeviceSighting& judged);
    std::vector<std::string> foldersToWatch() const;
};

}  // namespace serial
