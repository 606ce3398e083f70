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

// A window's default font, which controls without a font of their own use:
// 宋体 at 12 pixels, the default of the Chinese Windows forms the window was
// laid out on. Its blanks are half a character wide, and texts padded with
// blanks around boxes placed in the gaps rely on that.
QFont defaultWindowFont();

}  // namespace platform
