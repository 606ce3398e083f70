#pragma once
// The simulator's messages are written in English and shown in the user's
// language through the program's translation files (context MeterSim).
#include <QCoreApplication>
#include <string>

namespace meter_sim {

struct MeterSim {
    Q_DECLARE_TR_FUNCTIONS(MeterSim)
};

inline std::string utf8(const QString& text) { return text.toStdString(); }
inline QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace meter_sim
