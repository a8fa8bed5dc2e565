#include "platform/FontSubstitutions.h"

#include <QFont>
#include <QStringList>

namespace kvx {

namespace {

// The IPA fonts first; the others are what other distributions ship instead.
const QStringList kProportionalGothic = {QStringLiteral("IPAPGothic"), QStringLiteral("TakaoPGothic"),
    QStringLiteral("VL PGothic"), QStringLiteral("Noto Sans CJK JP")};
const QStringList kFixedGothic = {QStringLiteral("IPAGothic"), QStringLiteral("TakaoGothic"),
    QStringLiteral("VL Gothic"), QStringLiteral("Noto Sans Mono CJK JP")};
const QStringList kProportionalMincho
    = {QStringLiteral("IPAPMincho"), QStringLiteral("TakaoPMincho"), QStringLiteral("Noto Serif CJK JP")};
const QStringList kFixedMincho
    = {QStringLiteral("IPAMincho"), QStringLiteral("TakaoMincho"), QStringLiteral("Noto Serif CJK JP")};

struct Mapping {
    QStringList windowsNames;
    const QStringList* substitutes;
};

// A substitute that is not installed is passed over when a font is matched,
// so DejaVu Sans is named whether it is there or not: asking the font
// database which families exist would load it at start-up, long before any
// text is drawn.
QStringList tahomaSubstitutes()
{
    return QStringList{QStringLiteral("DejaVu Sans")} + kProportionalGothic;
}

} // namespace

void installFontSubstitutions()
{
    const Mapping mappings[] = {
        {{QStringLiteral("MS Pｺﾞｼｯｸ"), QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
             QStringLiteral("MS UI Gothic"), QStringLiteral("ＭＳ ＵＩ ゴシック"), QStringLiteral("Meiryo"),
             QStringLiteral("メイリオ")},
            &kProportionalGothic},
        {{QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"), QStringLiteral("MS ｺﾞｼｯｸ")},
            &kFixedGothic},
        {{QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("MS PMincho"), QStringLiteral("MS P明朝")},
            &kProportionalMincho},
        {{QStringLiteral("ＭＳ 明朝"), QStringLiteral("MS Mincho"), QStringLiteral("MS 明朝")},
            &kFixedMincho},
    };
    for (const Mapping& mapping : mappings) {
        for (const QString& name : mapping.windowsNames) {
            QFont::insertSubstitutions(name, *mapping.substitutes);
        }
    }
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), tahomaSubstitutes());
}

} // namespace kvx
