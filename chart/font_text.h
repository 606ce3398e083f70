#pragma once
// Font properties travel as GBK texts "face,height,weight", for example
// "微软雅黑,-12,400": the face name, the height as in a Windows font
// description (negative: character height in pixels; positive: cell height;
// 0: the default size) and the weight (400 normal, 700 bold, 900 heavy).
// Missing or empty fields take those defaults; blanks around fields are
// ignored. An empty text means the platform's default interface font.
#include "platform/control_spec.h"
#include "runtime/gbk_codec.h"

namespace chart {

// The face comes back as UTF-8, ready for the toolkit.
platform::FontSpec parseFontText(const runtime::Text& text);

}  // namespace chart
