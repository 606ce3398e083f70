// The Win32 engine: a COM port opened without sharing and for overlapped
// I/O, one reader thread that waits on the stop, port-event, write-request
// and room-in-the-queue events (in that order of precedence), reads what the
// driver holds and queues one notification per byte.
//
// Each overlapped operation has its own OVERLAPPED and event: a write or a
// read while the wait for port events is pending must not complete, or reset,
// the wait's event.
//
// A device that goes away while the port is open (the wait or the error
// query fails) is closed by the reader at once, so the system can reuse its
// name, and looked for again at a modest pace; when it is back it is
// reopened with the same settings and delivery resumes. \\.\COMn stays
// with one adapter, but where the device manager tells which device holds
// the number now, another one is left alone (reconnection_policy.h).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <system_error>
#include <thread>

#include "serial/comm_settings_win32.h"
#include "serial/port_channel.h"
#include "serial/port_hints.h"
#include "serial/port_names.h"
#include "serial/reconnection_policy.h"

namespace serial {
namespace {

using win32::applySettings;
using win32::osError;
using win32::systemMessage;

constexpr DWORD kPortEventMask = EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;  // 0x1F9
constexpr DWORD kLineErrors = CE_OVERRUN | CE_RXPARITY | CE_FRAME;                                   // 0x0E
constexpr DWORD kReadChunk = 16 * 1024;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
// How often a device that went away is looked for.
constexpr DWORD kReconnectPollMs = 500;

struct Overlapped {
    OVERLAPPED block{};
    Overlapped() { block.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped() {
        if (block.hEvent != nullptr) CloseHandle(block.hEvent);
    }
    void rewind() { block.Offset = block.OffsetHigh = 0; }
};

HANDLE autoResetEvent() { return CreateEventA(nullptr, FALSE, FALSE, nullptr); }

// A COM name as the device manager shows it: the number stays with one
// adapter, whose identity it tells where its driver gives one.
DeviceSighting comSighting(const std::string& name) {
    DeviceSighting s;
    s.name = s.device = name;
    s.kind = DeviceKind::Terminal;
    s.throughStableName = true;
    s.adapter = describeAdapter(name);
    return s;
}

}  // namespace

struct PortChannel::Engine {
    Engine(PendingCallback callback, std::size_t limit) : queue(limit), onPending(std::move(callback)) {}
    ~Engine() {
        for (HANDLE h : {stopEvent, writeRequestEvent, writeDoneEvent, roomEvent})
            if (h != nullptr) CloseHandle(h);
    }

    NotificationQueue queue;
    PendingCallback onPending;
    PortError lastError;
    std::string device;      // the same name whenever the device returns
    PortSettings settings;   // what a returning device is configured with
    DeviceSighting opened;   // what it was when last opened
    ReconnectionLog reconnection;
    std::atomic<DeviceState> state{DeviceState::Connected};

    HANDLE port = INVALID_HANDLE_VALUE;
    HANDLE stopEvent = autoResetEvent();
    HANDLE writeRequestEvent = autoResetEvent();
    HANDLE writeDoneEvent = autoResetEvent();
    HANDLE roomEvent = autoResetEvent();
    Overlapped waitBlock, readBlock, writeBlock;
    std::thread reader;

    // Handed over by the events: filled before write-request is set, read
    // back after write-done.
    std::string writeBuffer;
    bool writeResult = false;

    PortError connect();
    PortError openDevice(const PortSettings& s);
    PortError configure(const PortSettings& s);
    void closeDevice();
    void loseDevice(bool& pending);
    void lookForDevice();

    void run();
    void issueWait(bool& pending, DWORD& mask);
    void onPortEvents(DWORD mask);
    void readLoop();
    bool performWrite();
    void post(const std::vector<Notification>& items) {
        if (queue.append(items) && onPending) onPending();
    }
    bool lost() const { return state.load() == DeviceState::Lost; }
    void markLost() { state.store(DeviceState::Lost); }
};

PortError PortChannel::Engine::connect() {
    if (PortError error = openDevice(settings)) return error;
    if (PortError error = configure(settings)) return error;
    PurgeComm(port, kPurgeAll);
    return {};
}

PortError PortChannel::Engine::openDevice(const PortSettings&) {
    port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                       nullptr);
    if (port == INVALID_HANDLE_VALUE) return osError(GetLastError());
    return {};
}

PortError PortChannel::Engine::configure(const PortSettings& s) {
    const auto timeout = static_cast<DWORD>(std::max(s.timeoutMs, 0));
    COMMTIMEOUTS timeouts{timeout, timeout, timeout, timeout, timeout};
    if (!SetCommTimeouts(port, &timeouts)) return osError(GetLastError());
    if (!SetCommMask(port, kPortEventMask | (s.eventCharacter() ? EV_RXFLAG : 0))) return osError(GetLastError());
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) return osError(GetLastError());
    applySettings(dcb, s);
    if (!SetCommState(port, &dcb)) return {PortErrorKind::SettingsRefused, systemMessage(GetLastError())};
    return {};
}

void PortChannel::Engine::closeDevice() {
    if (port == INVALID_HANDLE_VALUE) return;
    CloseHandle(port);
    port = INVALID_HANDLE_VALUE;
}

// --- reader thread -----------------------------------------------------------

void PortChannel::Engine::loseDevice(bool& pending) {    if (pending) {
        // A zero mask completes the pending wait at once.
        SetCommMask(port, 0);
        DWORD ignored = 0;
        GetOverlappedResult(port, &waitBlock.block, &ignored, TRUE);
        pending = false;
    }
    closeDevice();
    state.store(DeviceState::Away);
    reconnection.lost();
}

void PortChannel::Engine::lookForDevice() {
    SystemView now;
    now.atName = comSighting(device);
    const ReconnectDecision decision = decideReconnection(opened, now);
    if (decision.action == ReconnectDecision::Action::Refuse) {
        reconnection.refuse(decision.reason);
        return;
    }
    reconnection.refuse({});
    if (connect()) {
        closeDevice();  // not back yet
        return;
    }
    opened = now.atName;
    state.store(DeviceState::Connected);
    reconnection.back();
}

void PortChannel::Engine::issueWait(bool& pending, DWORD& mask) {
    // Bytes already in the driver raise no new port event: take them first.
    readLoop();
    if (lost() || queue.isFull()) return;
    mask = 0;
    waitBlock.rewind();
    if (WaitCommEvent(port, &mask, &waitBlock.block)) {
        onPortEvents(mask);
        ResetEvent(waitBlock.block.hEvent);
        return;
    }
    if (GetLastError() == ERROR_IO_PENDING) {
        pending = true;
        return;
    }
    // The device has gone (unplugged adapters fail the wait).
    markLost();
}

void PortChannel::Engine::run() {
    bool pending = false;
    DWORD mask = 0;
    const HANDLE waitList[] = {stopEvent, waitBlock.block.hEvent, writeRequestEvent, roomEvent};
    for (;;) {
        const bool away = port == INVALID_HANDLE_VALUE;
        DWORD timeout = away ? kReconnectPollMs : INFINITE;
        if (!away && !pending && !queue.isFull()) {
            issueWait(pending, mask);
            // A wait that completed at once is issued again, but only after a
            // look at the stop and write requests, which must not starve.
            if (!pending && !lost() && !queue.isFull()) timeout = 0;
            if (lost()) {
                loseDevice(pending);
                continue;
            }
        }
        const DWORD signalled = WaitForMultipleObjects(4, waitList, FALSE, timeout);
        if (signalled == WAIT_TIMEOUT) {
            if (away) lookForDevice();
            continue;
        }
        if (signalled == WAIT_OBJECT_0) break;
        if (signalled == WAIT_OBJECT_0 + 1) {
            ResetEvent(waitBlock.block.hEvent);
            if (!pending) continue;
            pending = false;
            DWORD ignored = 0;
            if (GetOverlappedResult(port, &waitBlock.block, &ignored, FALSE)) {
                onPortEvents(mask);
            } else {
                markLost();
            }
        } else if (signalled == WAIT_OBJECT_0 + 2) {
            writeResult = performWrite();
            SetEvent(writeDoneEvent);
        } else if (signalled == WAIT_FAILED) {
            break;  // the handles are broken; nothing could wake us any more
        }
        // Room in the queue: the next round waits on the port again.
        if (lost()) loseDevice(pending);
    }
    if (pending) {
        // A zero mask completes the pending wait at once.
        SetCommMask(port, 0);
        DWORD ignored = 0;
        GetOverlappedResult(port, &waitBlock.block, &ignored, TRUE);
    }
}

void PortChannel::Engine::onPortEvents(DWORD mask) {
    std::vector<Notification> items;
    if (mask & EV_BREAK) items.push_back(statusNotification(kBreakDetected));
    if (mask & EV_ERR) items.push_back(statusNotification(kLineError));
    if (mask & EV_RXFLAG) items.push_back(statusNotification(kEventCharReceived));
    if (mask & EV_RING) items.push_back(statusNotification(kRingIndicator));
    if (mask & (EV_CTS | EV_DSR | EV_RLSD)) {
        DWORD status = 0;
        if (GetCommModemStatus(port, &status)) {
            // Each line that changed, with the level it has now.
            if (mask & EV_CTS) items.push_back(statusNotification((status & MS_CTS_ON) ? kCtsOn : kCtsOff));
            if (mask & EV_DSR) items.push_back(statusNotification((status & MS_DSR_ON) ? kDsrOn : kDsrOff));
            if (mask & EV_RLSD) items.push_back(statusNotification((status & MS_RLSD_ON) ? kCarrierOn : kCarrierOff));
        }
    }
    post(items);
    readLoop();
}

void PortChannel::Engine::readLoop() {
    std::vector<unsigned char> buffer(kReadChunk);
    while (!lost() && !queue.isFull()) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(port, &errors, &status)) {
            markLost();
            return;
        }
        if (errors & kLineErrors) post({statusNotification(kLineError)});
        if (status.cbInQue == 0) return;
        DWORD got = 0;
        readBlock.rewind();
        if (!ReadFile(port, buffer.data(), std::min(status.cbInQue, kReadChunk), &got, &readBlock.block)) {
            if (GetLastError() != ERROR_IO_PENDING || !GetOverlappedResult(port, &readBlock.block, &got, TRUE)) {
                // A failed read is retried at the next port event, not in a loop.
                return;
            }
        }
        std::vector<Notification> items;
        items.reserve(got);
        for (DWORD i = 0; i < got; ++i) items.push_back(byteNotification(buffer[i]));
        post(items);
    }
}

bool PortChannel::Engine::performWrite() {
    if (port == INVALID_HANDLE_VALUE) return false;
    // Received bytes not yet read are discarded, as a send always does;
    // output of earlier sends, already reported written, is left to go out.
    PurgeComm(port, PURGE_RXABORT | PURGE_RXCLEAR);
    if (writeBuffer.empty()) return true;
    DWORD written = 0;
    writeBlock.rewind();
    const auto size = static_cast<DWORD>(writeBuffer.size());
    if (!WriteFile(port, writeBuffer.data(), size, &written, &writeBlock.block)) {
        if (GetLastError() != ERROR_IO_PENDING) return false;
        if (!GetOverlappedResult(port, &writeBlock.block, &written, TRUE)) return false;
    }
    // A write cut short by the time-out did not put all its bytes on the line.
    return written == size;
}

// --- the channel -------------------------------------------------------------

// Windows names its ports itself: there is no device tree to point elsewhere.
PortChannel::PortChannel(PendingCallback onPending, std::size_t queueLimit, DeviceTree)
    : m_engine(std::make_unique<Engine>(std::move(onPending), queueLimit)) {}

PortChannel::~PortChannel() { close(); }

bool PortChannel::open(const PortSettings& settings) {
    close();
    Engine& e = *m_engine;
    e.lastError = {};
    auto fail = [&e](PortError error) {
        e.closeDevice();
        e.device.clear();
        e.lastError = std::move(error);
        return false;
    };
    if (settings.portNumber < 1) return fail({PortErrorKind::NoPortNumber, "no port number selected"});
    e.device = resolveDevice(settings.portNumber);
    e.settings = settings;
    if (PortError error = e.connect()) return fail(std::move(error));
    e.opened = comSighting(e.device);
    e.state.store(DeviceState::Connected);
    e.reconnection.reset();
    ResetEvent(e.stopEvent);
    ResetEvent(e.writeRequestEvent);
    ResetEvent(e.writeDoneEvent);
    ResetEvent(e.roomEvent);
    try {
        e.reader = std::thread([&e] { e.run(); });
    } catch (const std::system_error& err) {
        return fail({PortErrorKind::DeviceError, err.what()});
    }
    return true;
}

void PortChannel::close() {
    Engine& e = *m_engine;
    if (e.reader.joinable()) {
        SetEvent(e.stopEvent);
        e.reader.join();
    }
    e.closeDevice();
    e.device.clear();
    e.state.store(DeviceState::Connected);
    e.queue.clear();
}

bool PortChannel::isOpen() const { return m_engine->reader.joinable(); }

bool PortChannel::send(std::string_view bytes) {
    Engine& e = *m_engine;
    if (!e.reader.joinable()) return false;
    if (bytes.empty()) return true;
    e.writeBuffer.assign(bytes);
    e.writeResult = false;
    SetEvent(e.writeRequestEvent);
    WaitForSingleObject(e.writeDoneEvent, INFINITE);
    e.writeBuffer.clear();
    return e.writeResult;
}

std::vector<Notification> PortChannel::takeNotifications() {
    bool wasFull = false;
    std::vector<Notification> items = m_engine->queue.takeAll(&wasFull);
    if (wasFull && m_engine->reader.joinable()) SetEvent(m_engine->roomEvent);
    return items;
}

const PortError& PortChannel::lastError() const { return m_engine->lastError; }
std::string PortChannel::device() const { return isOpen() ? m_engine->device : std::string{}; }
bool PortChannel::deviceGone() const { return isOpen() && m_engine->state.load() != DeviceState::Connected; }
ReconnectionState PortChannel::reconnection() const { return m_engine->reconnection.snapshot(); }
// The reader's CPU time is measured on POSIX only.
std::optional<std::chrono::nanoseconds> PortChannel::readerCpuTime() const { return std::nullopt; }
const NotificationQueue& PortChannel::queue() const { return m_engine->queue; }

}  // namespace serial
