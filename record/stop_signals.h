#pragma once
// SIGTERM and SIGINT (Ctrl+C, a console close on Windows) turned into a call
// on the event loop's thread, so the row being written is finished first.
#include <QObject>
#include <functional>

namespace record {

class StopSignals : public QObject {
public:
    explicit StopSignals(std::function<void()> onStop, QObject* parent = nullptr);
    ~StopSignals() override;

private:
    struct Hook;
    Hook* m_hook;
    std::function<void()> m_onStop;
};

}  // namespace record
