#include "resident/NotificationWindow.h"

#include "ResidentFixture.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

namespace kvx {
namespace {

TEST(NotificationWindow, KeepsItsDesignedSizesAndStaysOnTop)
{
    NotificationWindow window;
    // Twips at 15 to the pixel.
    EXPECT_EQ(window.size(), QSize(213, 142));
    EXPECT_EQ(window.okButton()->geometry(), QRect(69, 118, 69, 20));
    EXPECT_EQ(window.message()->geometry(), QRect(0, 0, 211, 79));
    EXPECT_EQ(window.banner()->geometry(), QRect(71, 81, 65, 16));
    EXPECT_EQ(window.timeBox()->geometry(), QRect(71, 98, 65, 16));
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window.focusButton()->geometry().intersected(window.okButton()->geometry()),
        window.focusButton()->geometry())
        << "the harmless button lies within the area of OK";
}

TEST(NotificationWindow, PreviewShowsTheMainBellWithoutAnAlarm)
{
    NotificationWindow window;
    int stops = 0;
    QObject::connect(&window, &NotificationWindow::stopRequested, [&stops] { ++stops; });
    NotificationWindow::Appearance appearance;
    appearance.message = QStringLiteral("一行目\r\n二行目");
    appearance.fontName = QStringLiteral("MS Pｺﾞｼｯｸ");
    appearance.fontSize = 14;
    appearance.italic = true;
    appearance.backColor = static_cast<std::int32_t>(0x8000000FU);
    window.showPreview(appearance, QStringLiteral("09:05"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kalvendorix ■■プレビュー■■"));
    EXPECT_EQ(window.message()->text(), QStringLiteral("一行目\n二行目"));
    EXPECT_EQ(window.message()->font().pointSize(), 14);
    EXPECT_TRUE(window.message()->font().italic());
    EXPECT_EQ(window.banner()->text(), QStringLiteral("■本鈴■"));
    EXPECT_EQ(window.timeBox()->text(), QStringLiteral("09:05"));
    // Closing a preview runs the stop action too.
    window.close();
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(window.isVisible());
}

TEST(NotificationWindow, FocusGoesToTheHarmlessButtonOnActivation)
{
    NotificationWindow window;
    window.present();
    EXPECT_EQ(window.focusWidget(), window.focusButton());
    window.message()->setFocusPolicy(Qt::StrongFocus);
    window.message()->setFocus();
    ASSERT_EQ(window.focusWidget(), window.message());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&window, &activate);
    EXPECT_EQ(window.focusWidget(), window.focusButton());
    EXPECT_EQ(window.okButton()->focusPolicy(), Qt::NoFocus);
}

} // namespace
} // namespace kvx
