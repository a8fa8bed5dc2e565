#include "app/Application.h"
#include "calendar/CalendarListModel.h"
#include "calendar/CalendarWindow.h"
#include "calendar/MonthGridView.h"
#include "doubles/FakeDesktop.h"
#include "editor/AlarmListModel.h"
#include "resident/NotificationWindow.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace kvx {
namespace {

AlarmRecord alarmAt(std::int16_t kind, int day, int hour, const char* message)
{
    AlarmRecord record;
    record.kind = kind;
    record.startTime = OleDate::fromCivil(2026, 12, day, hour, 0);
    record.endTime = record.startTime;
    record.message = message;
    return record;
}

// December 2026 starts on a Tuesday: with Sunday first, the 1st is cell 2.
constexpr int kCellOf19th = 2 + 18;

// The whole program over the platform doubles, its clock at Tuesday
// 2026-12-08 09:00:00, with a daily alarm at 07:00, one on the 19th at 12:00
// and one on the 25th at 18:00.
class CalendarWiringTest : public ::testing::Test {
protected:
    CalendarWiringTest()
        : m_desktop(QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0)))
    {
        settings().writeSettingToBoth("MIDINM", "MIDI");
        settings().writeSettingToBoth("WAVENM", "Wave");
    }

    Settings settings() const { return Settings(m_dir.path().toStdString() + "/"); }

    void start()
    {
        SharedTables earlier;
        earlier.alarms.add(alarmAt(kKindDaily, 1, 7, "朝会"));
        earlier.alarms.add(alarmAt(kKindOnce, 19, 12, "昼食"));
        earlier.alarms.add(alarmAt(kKindOnce, 25, 18, "夕食"));
        ASSERT_TRUE(DataFile().save(earlier, settings().defaultDataPath(), OleDate()));
        m_app = std::make_unique<Application>(
            m_dir.path().toStdString() + "/", m_desktop.services, m_desktop.dialogs);
        ASSERT_EQ(m_app->start(), ResidentWindow::Start::Running);
    }

    // The tray's open action, then the 19th chosen on this list tab.
    void openCalendarOn19th(int tab)
    {
        m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
        ASSERT_NE(m_app->calendar(), nullptr);
        ASSERT_TRUE(m_app->calendar()->isVisible());
        calendar<QTabWidget>("SSTab1")->setCurrentIndex(tab);
        QTest::mouseClick(calendar<MonthGridView>("RichTextBox1"), Qt::LeftButton, {},
            MonthGridView::cellRect(kCellOf19th).center());
    }

    template <class T = QWidget> T* calendar(const char* name) const
    {
        T* widget = m_app->calendar()->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    template <class T = QWidget> T* editor(const char* name) const
    {
        T* widget = m_app->editor()->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString startTime() const
    {
        QString text;
        for (const char* box : {"Text1", "Text2", "Text3", "Text4"}) {
            text += editor<QLineEdit>(box)->text();
        }
        return text;
    }
    // The alarm the editor list's current row shows; -1 for none.
    int editorCurrentAlarm() const
    {
        const QModelIndex current = editor<QListView>("List1")->currentIndex();
        return current.isValid() ? m_app->editor()->listModel()->alarmIndex(current.row()) : -1;
    }
    void doubleClickCalendarRow(int tab, int row) const
    {
        auto* grid = calendar<QTableView>(tab == 0 ? "MSGrid1_0" : "MSGrid1_1");
        const QPoint at = grid->visualRect(grid->model()->index(row, 4)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    }

    QTemporaryDir m_dir;
    FakeDesktop m_desktop;
    std::unique_ptr<Application> m_app;
};

TEST_F(CalendarWiringTest, DoubleClickOnADayStartsANewAlarmForItInTheEditor)
{
    settings().writeSettingToBoth("WEEKLYTIMING", "9");
    settings().writeSettingToBoth("PREFLAG", "1");
    start();
    struct Row {
        int tab;
        bool dayView;
        int listRows; // the 19th has the daily alarm and its own
    };
    for (const Row row : {Row{1, true, 2}, Row{0, false, 3}}) {
        SCOPED_TRACE(row.tab);
        openCalendarOn19th(row.tab);
        QTest::mouseDClick(calendar<MonthGridView>("RichTextBox1"), Qt::LeftButton, {},
            MonthGridView::cellRect(kCellOf19th).center());

        ASSERT_NE(m_app->editor(), nullptr);
        EXPECT_TRUE(m_app->editor()->isVisible());
        EXPECT_FALSE(m_app->calendar()->isVisible());
        EXPECT_EQ(editor<QLineEdit>("Rich1")->text(), QStringLiteral("2026/12/19"));
        EXPECT_EQ(editor<QCalendarWidget>("MonthView1")->selectedDate(), QDate(2026, 12, 19));
        EXPECT_EQ(editor<QRadioButton>("Option2")->isChecked(), row.dayView);
        EXPECT_EQ(editor<QRadioButton>("Option1")->isChecked(), !row.dayView);
        EXPECT_TRUE(editor<QRadioButton>("Option6")->isChecked());
        EXPECT_EQ(startTime(), QStringLiteral("0900"));
        // The day of month is today's, not the chosen day's.
        EXPECT_EQ(editor<QLineEdit>("Text5")->text(), QStringLiteral("8"));
        for (int box = 0; box < 7; ++box) {
            // The 19th is a Saturday: the last box with Sunday first.
            const QByteArray name = "Check2_" + QByteArray::number(box);
            EXPECT_EQ(editor<QCheckBox>(name.constData())->isChecked(), box == 6) << box;
        }
        EXPECT_EQ(editor<QComboBox>("Combo1")->currentText(), QStringLiteral("第３"));
        EXPECT_TRUE(editor<QCheckBox>("Check20")->isChecked());
        EXPECT_FALSE(editor<QCheckBox>("Check21")->isChecked());
        EXPECT_EQ(m_app->editor()->selectedAlarm(), -1);
        EXPECT_EQ(m_app->editor()->listModel()->rowCount(), row.listRows);
        EXPECT_TRUE(editor<QListView>("List1")->selectionModel()->selectedRows().isEmpty());

        // Load an alarm, then leave: the next new alarm starts clean again.
        editor<QListView>("List1")->setCurrentIndex(
            m_app->editor()->listModel()->index(m_app->editor()->listModel()->rowOf(0)));
        m_app->editor()->loadSelectedAlarm();
        EXPECT_EQ(startTime(), QStringLiteral("0700"));
        m_app->editor()->close();
    }
}

TEST_F(CalendarWiringTest, EditAndOptionsOpenTheEditorOnTheRowsAlarm)
{
    start();
    struct Row {
        const char* name;
        int tab;
        const char* message; // of the alarm on the row chosen
        const char* start;
        bool options;
        int editorTab;
    };
    const Row rows[] = {
        {"double click on the day list", 1, "昼食", "1200", false, EditorWindow::kGeneralTab},
        {"double click on the list of all", 0, "夕食", "1800", false, EditorWindow::kGeneralTab},
        {"options on the day list", 1, "朝会", "0700", true, EditorWindow::kScreenTab},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        openCalendarOn19th(row.tab);
        const std::vector<AlarmRecord>& alarms = m_app->tables().alarms.alarms;
        const int alarm
            = static_cast<int>(std::find_if(alarms.begin(), alarms.end(), [&row](const AlarmRecord& a) {
                  return a.message == row.message;
              }) - alarms.begin());
        const int listRow = m_app->calendar()->listModel()->rowOf(alarm);
        ASSERT_GE(listRow, 0);
        if (row.options) {
            m_app->calendar()->setCurrentRow(listRow);
            calendar<QAction>("m_option")->trigger();
        } else {
            doubleClickCalendarRow(row.tab, listRow);
        }
        ASSERT_NE(m_app->editor(), nullptr);
        EXPECT_TRUE(m_app->editor()->isVisible());
        EXPECT_FALSE(m_app->calendar()->isVisible());
        EXPECT_EQ(editor<QRadioButton>("Option2")->isChecked(), row.tab == 1);
        EXPECT_EQ(editor<QLineEdit>("Rich1")->text(), QStringLiteral("2026/12/19"));
        EXPECT_EQ(m_app->editor()->selectedAlarm(), alarm);
        EXPECT_EQ(editorCurrentAlarm(), alarm);
        EXPECT_EQ(editor<QLineEdit>("Text6")->text(), QString::fromUtf8(row.message));
        EXPECT_EQ(startTime(), QLatin1String(row.start));
        EXPECT_EQ(editor<QTabWidget>("SSTab1")->currentIndex(), row.editorTab);
        m_app->editor()->close();
    }
}

TEST_F(CalendarWiringTest, WithoutANotificationAreaTheMainWindowShowsAtStart)
{
    struct Row {
        const char* name;
        bool tray;
        const char* editorFirst;
        bool calendarShown;
        bool editorShown;
    };
    const Row rows[] = {
        {"a tray: nothing shows", true, "0", false, false},
        {"no tray: the calendar", false, "0", true, false},
        {"no tray, the editor first: the editor", false, "1", false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_app.reset();
        m_desktop.tray.setAvailable(row.tray);
        settings().writeSettingToBoth("DEFFORM", row.editorFirst);
        start();
        EXPECT_EQ(m_app->calendar() != nullptr && m_app->calendar()->isVisible(), row.calendarShown);
        EXPECT_EQ(m_app->editor() != nullptr && m_app->editor()->isVisible(), row.editorShown);
        m_app->resident().exitSequence();
    }
}

TEST_F(CalendarWiringTest, AQuickTimerFromTheCalendarReachesTheAlarmTickAtOnce)
{
    start();
    m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
    ASSERT_FALSE(m_desktop.tray.toolTip().endsWith(QStringLiteral("本日09:03")));
    auto* quick = calendar<QComboBox>("Combo1");
    quick->setCurrentIndex(0);
    emit quick->activated(0);
    // The choice is taken after 100 ms; the alarm tick is not due before a second.
    m_desktop.clock.advanceMs(100);
    ASSERT_EQ(m_app->tables().alarms.alarmCount, 4);
    EXPECT_TRUE(m_desktop.tray.toolTip().endsWith(QStringLiteral("本日09:03")))
        << m_desktop.tray.toolTip().toStdString();
    EXPECT_TRUE(m_app->resident().alarmTimerActive());
    // Saved at once, the timer (the last of the table) the current row.
    SharedTables saved;
    ASSERT_TRUE(DataFile().load(saved, m_app->settings().dataPath(), {}));
    EXPECT_EQ(saved.alarms.alarmCount, 4);
    EXPECT_EQ(m_app->calendar()->listModel()->alarmIndex(m_app->calendar()->currentRow()), 3);
}

// Leaving the editor brings the calendar back: its ＯＫ unless the editor is the
// main window (old screen mode), its close box always.
TEST_F(CalendarWiringTest, LeavingTheEditorShowsTheCalendarAgain)
{
    struct Row {
        const char* name;
        const char* editorFirst;
        const char* control; // the editor's control that ends it; null: the close box
        bool calendarShown;
    };
    const Row rows[] = {
        {"ＯＫ", "0", "Command8", true},
        {"ＯＫ in the old screen mode", "1", "Command8", false},
        {"the close box in the old screen mode", "1", nullptr, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_app.reset();
        settings().writeSettingToBoth("DEFFORM", row.editorFirst);
        start();
        m_app->openEditor();
        if (row.control != nullptr) {
            editor<QAbstractButton>(row.control)->click();
        } else {
            m_app->editor()->close();
        }
        EXPECT_FALSE(m_app->editor()->isVisible());
        EXPECT_EQ(m_app->calendar() != nullptr && m_app->calendar()->isVisible(), row.calendarShown);
        m_app->resident().exitSequence();
    }
}

// The open action in the old screen mode brings the calendar back to today
// behind the editor; the editor's preview, closed while an alarm rings, stops it.
TEST_F(CalendarWiringTest, TheOpenActionTurnsToTodayAndThePreviewsCloseStopsTheRing)
{
    start();
    m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
    m_app->calendar()->stepMonth(MonthStep::MonthForward);
    ASSERT_EQ(m_app->calendar()->newAlarmPreparation().dateText.substr(0, 7), "2027/01");
    m_app->store().window().editorFirst = 1;
    m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
    EXPECT_EQ(m_app->calendar()->newAlarmPreparation().dateText, "2026/12/08");
    ASSERT_TRUE(m_app->editor() != nullptr && m_app->editor()->isVisible());

    editor<QAbstractButton>("Command3")->click(); // the preview
    m_app->resident().ringer().fire(0, true);
    ASSERT_EQ(m_app->resident().ringer().ringingIndex(), 0);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* shown = qobject_cast<NotificationWindow*>(window); shown != nullptr && shown->isVisible()
            && shown != &m_app->resident().ringer().notificationWindow()) {
            shown->close();
        }
    }
    EXPECT_EQ(m_app->resident().ringer().ringingIndex(), -1);
}

// The calendar stands where "FORMFLAG" puts it at its own size, not Qt's
// default one, at every opening: moved away and reopened, it is back.
TEST_F(CalendarWiringTest, TheCalendarIsPlacedAtItsOwnSizeAtEveryOpening)
{
    for (const char* formFlag : {"1", "2", "3"}) {
        SCOPED_TRACE(formFlag);
        m_app.reset();
        settings().writeSettingToBoth("FORMFLAG", formFlag);
        start();
        for (int opening = 0; opening < 2; ++opening) {
            m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
            CalendarWindow* calendar = m_app->calendar();
            const QRect area = calendar->screen()->availableGeometry();
            const QRect frame = calendar->frameGeometry();
            EXPECT_EQ(calendar->size(), calendar->sizeHint());
            QRect expected(QPoint(), frame.size());
            if (formFlag[0] == '1') {
                expected.moveCenter(area.center());
            } else {
                expected.moveTopLeft(formFlag[0] == '2'
                        ? area.topLeft()
                        : QPoint(area.right() + 1 - frame.width(), area.top()));
            }
            // The frame's width is known from the first show on.
            const int slack
                = opening == 0 ? frame.width() - calendar->width() + frame.height() - calendar->height() : 0;
            EXPECT_LE((frame.topLeft() - expected.topLeft()).manhattanLength(), slack + 1) << opening;
            calendar->hide();
            calendar->move(frame.topLeft() + QPoint(0, -37));
        }
        m_app->resident().exitSequence();
    }
}

// What a keyboard user meets first: each window opens with the focus on a
// control, and every control the Tab key reaches is read by a Japanese name,
// never by an internal one such as "Command5".
TEST_F(CalendarWiringTest, EveryControlTheTabKeyReachesIsReadByAJapaneseName)
{
    start();
    m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
    m_app->openEditor();
    const QRegularExpression internal(QStringLiteral("^[A-Za-z]+[0-9]+$"));
    const QRegularExpression japanese(QStringLiteral("[\\x{3000}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"));
    for (QWidget* window :
        {static_cast<QWidget*>(m_app->calendar()), static_cast<QWidget*>(m_app->editor())}) {
        SCOPED_TRACE(window->objectName().toStdString());
        window->activateWindow();
        QWidget* first = window->focusWidget();
        ASSERT_NE(first, nullptr) << "opens with the focus on a control";
        QWidget* widget = first;
        int reached = 0;
        do {
            if (widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) != 0
                && widget->window() == window) {
                ++reached;
                QAccessibleInterface* read = QAccessible::queryAccessibleInterface(widget);
                const QString name = read != nullptr ? read->text(QAccessible::Name) : QString();
                EXPECT_TRUE(japanese.match(name).hasMatch() && !internal.match(name).hasMatch())
                    << widget->objectName().toStdString() << " is read as '" << name.toStdString() << "'";
            }
            widget = widget->nextInFocusChain();
        } while (widget != first && reached < 500);
        EXPECT_GT(reached, 3);
    }
}

TEST_F(CalendarWiringTest, TheWeekdayHeaderFollowsAWeekStartChangedInTheEditor)
{
    start();
    m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
    ASSERT_NE(m_app->calendar(), nullptr);
    EXPECT_EQ(calendar("CButton1_0")->accessibleName(), QStringLiteral("日"));
    m_app->openEditor();
    // The week start is remembered with an alarm stored, and written by ＯＫ.
    editor<QCheckBox>("Check1")->click();
    m_desktop.prompter.setDefaultAnswer(true);
    QTest::mouseClick(editor<QAbstractButton>("Command5"), Qt::LeftButton);
    QTest::mouseClick(editor<QAbstractButton>("Command8"), Qt::LeftButton);
    ASSERT_EQ(m_desktop.prompter.messages(), QStringList{});
    ASSERT_TRUE(m_app->calendar()->isVisible());
    EXPECT_EQ(calendar("CButton1_0")->accessibleName(), QStringLiteral("月"));
    EXPECT_EQ(calendar("CButton1_6")->accessibleName(), QStringLiteral("日"));
}

// "ファイル": the alarms written to an iCalendar file chosen in the dialog, and
// a calendar file read in from the dialog or dropped on the window; the
// window tells what happened.
TEST_F(CalendarWiringTest, TheFileMenuWritesAndReadsICalendarFiles)
{
    start();
    m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
    const QString written = m_dir.filePath(QStringLiteral("予定.ics"));
    m_desktop.dialogs.queueFile(written);
    auto* exportItem = m_app->calendar()->findChild<QAction*>(QStringLiteral("m_file_export"));
    ASSERT_NE(exportItem, nullptr);
    EXPECT_EQ(exportItem->text(), QStringLiteral("iCalendar形式で書き出す..."));
    exportItem->trigger();
    ASSERT_TRUE(QFile::exists(written));
    EXPECT_TRUE(
        m_desktop.prompter.messages().last().startsWith(QStringLiteral("3件のアラームを書き出しました。")));

    // The same file again: nothing new. A phone's event dropped on the window: one more.
    m_desktop.dialogs.queueFile(written);
    m_app->calendar()->findChild<QAction*>(QStringLiteral("m_file_import"))->trigger();
    EXPECT_TRUE(m_desktop.prompter.messages().last().startsWith(QStringLiteral("0件を読み込みました。")))
        << m_desktop.prompter.messages().last().toStdString();
    const QString phone = m_dir.filePath(QStringLiteral("phone.ics"));
    QFile file(phone);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//phone//EN\r\nBEGIN:VEVENT\r\nUID:phone-1\r\n"
               "DTSTART:20261214T063000\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,WE\r\nSUMMARY:ジム\r\nEND:VEVENT\r\n"
               "END:VCALENDAR\r\n");
    file.close();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(phone)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_app->calendar(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_app->calendar(), &drop);
    EXPECT_TRUE(m_desktop.prompter.messages().last().startsWith(QStringLiteral("1件を読み込みました。")));
    ASSERT_EQ(m_app->store().alarms().alarmCount, 4);
    const AlarmRecord& gym = m_app->store().alarms().alarms[3];
    EXPECT_EQ(gym.message, "ジム");
    EXPECT_EQ(gym.weekdayMask, kMonday | kWednesday);
    EXPECT_FALSE(m_app->store().modified()) << "saved at once";
}

} // namespace
} // namespace kvx
