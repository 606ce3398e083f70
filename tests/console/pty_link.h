#pragma once
// The far end of the console's serial line in tests: a pseudo-terminal whose
// slave side is linked as COMn in the working directory.
#include <poll.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <filesystem>
#include <string>

#include "tests/event_loop.h"
#include "tests/serial/pty_far_end.h"

namespace console::testing {

class PtyLink : public serial::testing::PtyFarEnd {
public:
    explicit PtyLink(int portNumber) : m_link("COM" + std::to_string(portNumber)) {
        std::filesystem::remove(m_link);
        std::filesystem::create_symlink(slavePath(), m_link);
    }
    ~PtyLink() { std::filesystem::remove(m_link); }

    // The far end goes away, as an unplugged adapter does.
    void unplug() { closeMaster(); }

    // Everything that arrived from the console within `ms` milliseconds, with
    // the console's event loop running meanwhile.
    std::string readFor(int ms) {
        std::string out;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            QCoreApplication::processEvents();
            out += read(1, std::chrono::milliseconds(5));
        }
        return out;
    }

private:
    std::string m_link;
};

using kzrt::testing::spinUntil;

}  // namespace console::testing
