#pragma once
#include <QFont>

#include "platform/control_spec.h"

namespace platform {

// A Windows font description as a QFont: a negative height is the character
// height in pixels; weights 700 and 900 are bold and black.
QFont makeFont(const FontSpec& spec, const QFont& base);

// The window names Windows faces (微软雅黑, 新宋体, Arial Black). Where they are
// missing, map them to the closest faces present so the read-outs keep their look.
void installFontSubstitutions();

}  // namespace platform
