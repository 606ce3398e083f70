#include "platform/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace platform {

namespace {

// Where a Windows face is missing (under wine, say), the WenQuanYi faces stand
// in. GDI draws their small sizes with wrong glyphs there (串 as 丰 at 12
// pixels); DirectWrite, which Qt uses for fonts that prefer vertical hinting
// only, draws them right with the same advances. A Windows
// face that is installed keeps GDI's usual look.
QFont drawable(QFont font) {
#ifdef Q_OS_WIN
    const bool standIn = QFontInfo(font).family().startsWith(QLatin1String("WenQuanYi"));
    font.setHintingPreference(standIn ? QFont::PreferVerticalHinting : QFont::PreferDefaultHinting);
#endif
    return font;
}

}  // namespace

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
    return drawable(font);
}

void installFontSubstitutions() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    // Zen Hei before Micro Hei: Micro Hei's ℃ glyph draws nothing.
    const QStringList cjk = {"Microsoft YaHei", "WenQuanYi Zen Hei", "WenQuanYi Micro Hei",
                             "Noto Sans CJK SC", "Droid Sans Fallback"};
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"), cjk);
    QFont::insertSubstitutions(QStringLiteral("新宋体"),
                               QStringList{"NSimSun", "AR PL UMing CN", "Noto Serif CJK SC"} + cjk);
    // The "Mono" cuts of WenQuanYi have half-width Latin letters and blanks, as
    // 宋体 has, so blank-padded texts keep their gaps.
    QFont::insertSubstitutions(QStringLiteral("宋体"),
                               QStringList{"SimSun", "NSimSun", "WenQuanYi Zen Hei Mono", "WenQuanYi Micro Hei Mono"} + cjk);
    QFont::insertSubstitutions(QStringLiteral("Arial Black"),
                               {"Arial Black", "Liberation Sans", "DejaVu Sans", "FreeSans"});
}

QFont defaultWindowFont() {
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    return drawable(font);
}

}  // namespace platform
