#include "ui/Twips.h"
#include "ui/WinColor.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(Twips, FifteenToAPixelRoundedDown)
{
    struct Row {
        int twips;
        int pixels;
    };
    for (const Row row : {Row{0, 0}, Row{14, 0}, Row{15, 1}, Row{29, 1}, Row{3195, 213}, Row{1035, 69}}) {
        EXPECT_EQ(px(row.twips), row.pixels) << row.twips;
    }
    EXPECT_EQ(twipsRect(120, 90, 3720, 255), QRect(8, 6, 248, 17));
    EXPECT_EQ(twipsOf(213), 3195);
}

TEST(WinColor, RgbValuesRoundTripAndSystemColoursFollowThePalette)
{
    struct Row {
        std::int32_t value;
        QColor color;
    };
    for (const Row& row : {Row{0, QColor(0, 0, 0)}, Row{0xFF, QColor(255, 0, 0)},
             Row{0xFF00, QColor(0, 255, 0)}, Row{0xFF0000, QColor(0, 0, 255)},
             Row{0xFFFFFF, QColor(255, 255, 255)}, Row{0x123456, QColor(0x56, 0x34, 0x12)}}) {
        EXPECT_EQ(fromWinColor(row.value), row.color) << row.value;
        EXPECT_EQ(toWinColor(row.color), row.value) << row.value;
    }
    const QPalette palette = QApplication::palette();
    EXPECT_EQ(fromWinColor(static_cast<std::int32_t>(0x8000000FU)), palette.color(QPalette::Button));
    EXPECT_EQ(fromWinColor(static_cast<std::int32_t>(0x80000005U)), palette.color(QPalette::Base));
    EXPECT_EQ(fromWinColor(static_cast<std::int32_t>(0x80000008U)), palette.color(QPalette::WindowText));
    // An unknown system colour falls back to the button face, never black.
    EXPECT_EQ(fromWinColor(static_cast<std::int32_t>(0x800000FEU)), palette.color(QPalette::Button));
}

TEST(WindowPlacement, CentresTheWindowOnTheAvailableArea)
{
    QWidget window;
    window.resize(300, 200);
    centreOnScreen(window);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(window.frameGeometry().center().x() - area.center().x()), 1);
    EXPECT_LE(std::abs(window.frameGeometry().center().y() - area.center().y()), 1);
}

} // namespace
} // namespace kvx
