#include "core/Cp932.h"
#include "doubles/FakeTrayIcon.h"
#include "platform/AppIcons.h"
#include "platform/QtTrayIcon.h"
#include "support/QtPrinters.h"

#include <QMenu>

#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace kvx {
namespace {

using Action = TrayIcon::Action;
using Reason = QSystemTrayIcon::ActivationReason;

struct ActivationRow {
    const char* name;
    Reason reason;
    bool alarmSounding;
    std::optional<Action> action;
};

const ActivationRow kActivationRows[] = {
    {"right click pops up the menu", QSystemTrayIcon::Context, false, Action::RightButtonDown},
    {"right click while ringing still pops up the menu", QSystemTrayIcon::Context, true,
        Action::RightButtonDown},
    {"double click opens", QSystemTrayIcon::DoubleClick, false, Action::LeftDoubleClick},
    {"double click while ringing opens (and cancels the delayed stop)", QSystemTrayIcon::DoubleClick, true,
        Action::LeftDoubleClick},
    {"single click while ringing arms the delayed stop", QSystemTrayIcon::Trigger, true,
        Action::LeftButtonDown},
    {"single click at rest opens, for trays without double clicks", QSystemTrayIcon::Trigger, false,
        Action::LeftDoubleClick},
    {"middle click is no icon action", QSystemTrayIcon::MiddleClick, false, std::nullopt},
    {"unknown reason is no icon action", QSystemTrayIcon::Unknown, true, std::nullopt},
};

TEST(QtTrayIcon, TrayEventsMapToTheIconActions)
{
    for (const ActivationRow& row : kActivationRows) {
        EXPECT_EQ(QtTrayIcon::actionFor(row.reason, row.alarmSounding), row.action) << row.name;
    }
}

// The sounding state of a test: what the ringer would answer.
struct Sounding : SoundingState {
    bool value = false;
    bool alarmSounding() const override { return value; }
};

TEST(QtTrayIcon, ActivationsReachEveryListenerAskingWhetherAnAlarmSounds)
{
    for (const ActivationRow& row : kActivationRows) {
        QtTrayIcon tray(false);
        Sounding sounding;
        sounding.value = row.alarmSounding;
        tray.setSoundingState(&sounding);
        std::vector<Action> actions;
        std::vector<Action> second;
        QObject::connect(
            &tray, &TrayIcon::actionTriggered, [&](Action action) { actions.push_back(action); });
        QObject::connect(&tray, &TrayIcon::actionTriggered, [&](Action action) { second.push_back(action); });
        emit tray.systemTrayIcon().activated(row.reason);
        const std::vector<Action> expected
            = row.action ? std::vector<Action>{*row.action} : std::vector<Action>{};
        EXPECT_EQ(actions, expected) << row.name;
        EXPECT_EQ(second, expected) << row.name << ": a second listener hears the same";
    }
}

TEST(QtTrayIcon, WithoutAnAlarmQuestionASingleClickOpens)
{
    QtTrayIcon tray(false);
    std::vector<Action> actions;
    QObject::connect(&tray, &TrayIcon::actionTriggered, [&](Action action) { actions.push_back(action); });
    tray.handleActivation(QSystemTrayIcon::Trigger);
    EXPECT_EQ(actions, std::vector<Action>{Action::LeftDoubleClick});
}

QImage imageOf(const QIcon& icon)
{
    return icon.pixmap(16).toImage();
}

TEST(QtTrayIcon, AddModifyRemoveShowTheImageAndTip)
{
    // Without a notification area (as offscreen) the icon is still added: one may come later.
    QtTrayIcon tray(false);
    tray.add(TrayIcon::Image::Application, QStringLiteral("Kalvendorix"));
    EXPECT_TRUE(tray.systemTrayIcon().isVisible());
    EXPECT_EQ(tray.systemTrayIcon().toolTip(), QStringLiteral("Kalvendorix"));
    EXPECT_EQ(imageOf(tray.systemTrayIcon().icon()), imageOf(applicationIcon()));

    tray.modify(TrayIcon::Image::Stop, QStringLiteral("アラームは停止中です"));
    EXPECT_TRUE(tray.systemTrayIcon().isVisible());
    EXPECT_EQ(tray.systemTrayIcon().toolTip(), QStringLiteral("アラームは停止中です"));
    EXPECT_EQ(imageOf(tray.systemTrayIcon().icon()), imageOf(stopIcon()));

    tray.remove();
    EXPECT_FALSE(tray.systemTrayIcon().isVisible());
}

// The desktop shows the menu: an XEmbed tray on a right click, a
// StatusNotifierItem host from the copy exported over D-Bus.
TEST(QtTrayIcon, TheMenuIsHandedToTheIconForTheDesktopToShow)
{
    QtTrayIcon tray(false);
    QMenu menu;
    menu.addAction(QStringLiteral("編集"));
    tray.setMenu(&menu);
    EXPECT_EQ(tray.systemTrayIcon().contextMenu(), &menu);
    EXPECT_FALSE(menu.isVisible());
}

TEST(QtTrayIcon, TipsAreCutTo63BytesOfCodePage932)
{
    struct Row {
        const char* name;
        QString tip;
        QString shown;
    };
    const QString ascii63(63, u'a');
    const QString kana32 = QString(32, u'ア');
    const QString halfWidth = QString(70, QChar(0xFF71)); // ｱ, one byte each
    const Row rows[] = {
        {"short tip unchanged", QStringLiteral("Kalvendorix"), QStringLiteral("Kalvendorix")},
        {"63 bytes unchanged", ascii63, ascii63},
        {"64 bytes cut to 63", ascii63 + u'b', ascii63},
        {"double-byte characters are not split", kana32, QString(31, u'ア')},
        {"odd start then double-byte characters", u'a' + kana32, u'a' + QString(31, u'ア')},
        {"half-width katakana are one byte each", halfWidth, QString(63, QChar(0xFF71))},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(QtTrayIcon::cutToolTip(row.tip), row.shown) << row.name;
        EXPECT_LE(toCp932(QtTrayIcon::cutToolTip(row.tip).toStdString()).size(), 63u) << row.name;
    }
}

TEST(FakeTrayIcon, RecordsWhatTheProgramShowsAndDeliversActions)
{
    FakeTrayIcon tray;
    std::vector<Action> actions;
    QObject::connect(&tray, &TrayIcon::actionTriggered, [&](Action action) { actions.push_back(action); });
    EXPECT_FALSE(tray.isVisible());

    tray.add(TrayIcon::Image::Application, QStringLiteral("Kalvendorix"));
    tray.modify(TrayIcon::Image::Stop, QStringLiteral("アラームは停止中です"));
    EXPECT_TRUE(tray.isVisible());
    EXPECT_EQ(tray.image(), TrayIcon::Image::Stop);
    EXPECT_EQ(tray.toolTip(), QStringLiteral("アラームは停止中です"));
    EXPECT_EQ(tray.addCount(), 1);
    EXPECT_EQ(tray.modifyCount(), 1);

    tray.modify(TrayIcon::Image::Application, QString(40, u'ア'));
    EXPECT_EQ(tray.shownToolTip(), QString(31, u'ア'));

    tray.trigger(Action::RightButtonDown);
    tray.trigger(Action::LeftDoubleClick);
    EXPECT_EQ(actions, (std::vector<Action>{Action::RightButtonDown, Action::LeftDoubleClick}));

    tray.remove();
    EXPECT_FALSE(tray.isVisible());
    EXPECT_EQ(tray.removeCount(), 1);
}

TEST(AppIcons, EveryImageIsDrawnAt16And32Pixels)
{
    struct Row {
        const char* name;
        QIcon icon;
    };
    const Row rows[] = {
        {"application", applicationIcon()},
        {"STOP", stopIcon()},
        {"tray Application image", trayImageIcon(TrayIcon::Image::Application)},
        {"tray Stop image", trayImageIcon(TrayIcon::Image::Stop)},
    };
    for (const Row& row : rows) {
        ASSERT_FALSE(row.icon.isNull()) << row.name;
        for (const int size : {16, 32}) {
            EXPECT_TRUE(row.icon.availableSizes().contains(QSize(size, size))) << row.name << " " << size;
            const QImage image = row.icon.pixmap(size).toImage();
            EXPECT_EQ(image.size(), QSize(size, size)) << row.name << " " << size;
            // Something is drawn in the middle, not a blank square.
            EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2 + 1)), 200) << row.name << " " << size;
        }
    }
    EXPECT_NE(imageOf(applicationIcon()), imageOf(stopIcon()));
}

} // namespace
} // namespace kvx
