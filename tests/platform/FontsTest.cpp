#include "platform/FontSubstitutions.h"
#include "support/QtPrinters.h"

#include <QFont>
#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

namespace kvx {
namespace {

QString resolvedFamily(const QString& family)
{
    return QFontInfo(QFont(family)).family();
}

TEST(FontSubstitutions, WindowsFontNamesResolveToTheInstalledJapaneseFonts)
{
    struct Row {
        const char* windowsName;
        const char* installed;
    };
    const Row rows[] = {
        {"MS Pｺﾞｼｯｸ", "IPAPGothic"},
        {"ＭＳ Ｐゴシック", "IPAPGothic"},
        {"MS PGothic", "IPAPGothic"},
        {"MS UI Gothic", "IPAPGothic"},
        {"ＭＳ ゴシック", "IPAGothic"},
        {"MS Gothic", "IPAGothic"},
        {"ＭＳ 明朝", "IPAMincho"},
        {"MS Mincho", "IPAMincho"},
        {"ＭＳ Ｐ明朝", "IPAPMincho"},
    };
    installFontSubstitutions();
    for (const Row& row : rows) {
        const QString windowsName = QString::fromUtf8(row.windowsName);
        EXPECT_EQ(QFont::substitute(windowsName).toLower(), QString::fromUtf8(row.installed).toLower())
            << row.windowsName;
        EXPECT_EQ(resolvedFamily(windowsName), resolvedFamily(QString::fromUtf8(row.installed)))
            << row.windowsName;
    }
}

TEST(FontSubstitutions, TahomaBecomesASansWithJapaneseBehindIt)
{
    installFontSubstitutions();
    const QStringList substitutes = QFont::substitutes(QStringLiteral("Tahoma"));
    ASSERT_FALSE(substitutes.isEmpty());
    EXPECT_TRUE(substitutes.contains(QStringLiteral("IPAPGothic"), Qt::CaseInsensitive))
        << substitutes.join(u',').toStdString();
    EXPECT_EQ(resolvedFamily(QStringLiteral("Tahoma")), resolvedFamily(substitutes.front()));
}

TEST(FontSubstitutions, InstallingTwiceAddsNothing)
{
    installFontSubstitutions();
    const QStringList once = QFont::substitutes(QStringLiteral("MS Gothic"));
    installFontSubstitutions();
    EXPECT_EQ(QFont::substitutes(QStringLiteral("MS Gothic")), once);
}

} // namespace
} // namespace kvx
