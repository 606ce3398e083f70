#pragma once
// The one crossing between GBK texts and Qt's UTF-16 strings.
#include <QString>

#include "runtime/gbk_codec.h"

namespace platform {

inline QString toQString(const runtime::Text& gbk) {
    return QString::fromStdString(runtime::Utf8FromGbk(gbk));
}
inline runtime::Text fromQString(const QString& text) {
    return runtime::GbkFromUtf8(text.toStdString());
}

}  // namespace platform
