#pragma once
// The capacity test's cutoff: a meter stops once its voltage has stayed below
// the cutoff for the hold time.
#include <optional>

namespace record {

// The capacity test's rule: the voltage staying below the cutoff for the
// hold time. Seconds without a fresh reading (a meter away) end a run of low
// seconds without completing it, so an unplugged meter reading 0 V is never
// taken for a battery at its cutoff.
class CutoffWatch {
public:
    CutoffWatch(std::optional<double> cutoffVolts, int holdSeconds)
        : m_cutoff(cutoffVolts), m_hold(holdSeconds) {}
    // One second; nullopt when no fresh reading came. True once the hold is
    // complete.
    bool second(std::optional<double> volts);
    int secondsBelow() const { return m_below; }

private:
    std::optional<double> m_cutoff;
    int m_hold;
    int m_below = 0;
};

}  // namespace record
