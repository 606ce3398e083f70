#pragma once
// The simulator's end of the line: a pseudo-terminal whose slave side is
// linked as COM<n> in the working directory.
#include <string>

namespace meter_sim {

class PtyLine {
public:
    // Throws std::runtime_error with the reason when the line cannot be made.
    explicit PtyLine(int port);
    ~PtyLine();  // removes the link if it is still ours
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    int master() const { return m_master; }
    const std::string& slavePath() const { return m_slave; }
    const std::string& linkName() const { return m_link; }

private:
    void makeLink();

    int m_master = -1;
    int m_keeper = -1;  // our own slave descriptor: keeps the pair alive and raw between sessions
    std::string m_slave;
    std::string m_link;
};

// What a read from the master brought (packet mode).
struct MasterPacket {
    std::string data;       // bytes the console sent
    bool flushed = false;   // the console purged the line (it opened the port or sends)
    bool hungUp = false;
};

MasterPacket readMaster(int master);

}  // namespace meter_sim
