#include "record/stop_signals.h"

#include <windows.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>

namespace record {
namespace {

std::atomic<StopSignals*> g_target{nullptr};
std::function<void()>* g_onStop = nullptr;

// Runs on a thread of its own: hand the stop to the event loop.
BOOL WINAPI onConsoleEvent(DWORD) {
    if (StopSignals* target = g_target.load()) {
        QMetaObject::invokeMethod(target, [] { if (g_onStop && *g_onStop) (*g_onStop)(); }, Qt::QueuedConnection);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

struct StopSignals::Hook {};

StopSignals::StopSignals(std::function<void()> onStop, QObject* parent)
    : QObject(parent), m_hook(new Hook), m_onStop(std::move(onStop)) {
    g_onStop = &m_onStop;
    g_target = this;
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals() {
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    g_target = nullptr;
    g_onStop = nullptr;
    delete m_hook;
}

}  // namespace record
