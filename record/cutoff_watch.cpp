#include "record/cutoff_watch.h"

namespace record {

bool CutoffWatch::second(std::optional<double> volts) {
    if (!m_cutoff) return false;
    if (!volts || !(*volts < *m_cutoff)) {
        m_below = 0;
        return false;
    }
    return ++m_below >= m_hold;
}

}  // namespace record
