#include "platform/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace platform {

QFont makeFont(const FontSpec& spec, const QFont& base) {
    QFont font = base;
    if (!spec.face.empty()) font.setFamily(QString::fromStdString(spec.face));
    if (spec.height < 0) {
        font.setPixelSize(-spec.height);
    } else if (spec.height > 0) {
        // A positive height is the cell height; the character is about 80 % of it.
        font.setPixelSize(spec.height * 4 / 5);
    }
    font.setWeight(QFont::Weight(spec.weight));
    return font;
}

void installFontSubstitutions() {
    const QStringList cjk = {"Microsoft YaHei", "WenQuanYi Micro Hei", "WenQuanYi Zen Hei",
                             "Noto Sans CJK SC", "Droid Sans Fallback"};
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"), cjk);
    QFont::insertSubstitutions(QStringLiteral("新宋体"),
                               QStringList{"NSimSun", "AR PL UMing CN", "Noto Serif CJK SC"} + cjk);
    QFont::insertSubstitutions(QStringLiteral("Arial Black"),
                               {"Arial Black", "Liberation Sans", "DejaVu Sans", "FreeSans"});
}

}  // namespace platform
