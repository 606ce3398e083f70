#pragma once
// The one crossing between GBK texts (and file names) and Qt's UTF-16 strings.
#include <QString>

#include "runtime/gbk_codec.h"
#include "runtime/native_path.h"

namespace platform {

inline QString toQString(const runtime::Text& gbk) {
    return QString::fromStdString(runtime::Utf8FromGbk(gbk));
}
inline runtime::Text fromQString(const QString& text) {
    return runtime::GbkFromUtf8(text.toStdString());
}
// A file name shown as the program's texts can show it: what GBK lacks
// appears as U+FFFD (runtime::DisplayUtf8).
inline QString pathToQString(const runtime::Path& path) {
    return QString::fromStdString(runtime::DisplayUtf8(path));
}

}  // namespace platform
