#include "CalendarFixture.h"
#include "calendar/CalendarListModel.h"
#include "calendar/MonthGridView.h"
#include "doubles/FakeClock.h"
#include "doubles/FakeDatagramSender.h"
#include "doubles/FakePrompter.h"
#include "platform/FontSubstitutions.h"
#include "schedule/Timetable.h"
#include "ui/TimetableView.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <memory>

namespace kvx {
namespace {

TEST_F(CalendarWindowTest, ListRowsHeaderAndModelChecks)
{
    struct Row {
        int alarms;
        int rows; // without the header row
    };
    for (const Row row : {Row{0, 14}, Row{1, 14}, Row{14, 14}, Row{15, 15}, Row{20, 20}}) {
        clearTables();
        open(row.alarms);
        CalendarListModel* model = m_window->listModel();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Warning);
        EXPECT_EQ(model->rowCount(), row.rows) << row.alarms;
        EXPECT_EQ(model->columnCount(), 5);
    }
    CalendarListModel* model = m_window->listModel();
    EXPECT_EQ(model->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("開始"));
    EXPECT_EQ(model->headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("内容"));
    EXPECT_EQ(model->data(model->index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("09:00"));
    EXPECT_EQ(model->data(model->index(0, 4), Qt::DisplayRole).toString(), QStringLiteral("定例"));
    EXPECT_EQ(model->data(model->index(3, 2), Qt::BackgroundRole).value<QColor>(), QColor(255, 238, 206));
    EXPECT_EQ(get<QTabWidget>("SSTab1")->tabText(1), QStringLiteral("デイリー"));
}

TEST_F(CalendarWindowTest, NavigationAndGreyedCells)
{
    open();
    const CalendarState& state = m_view.calendar;
    EXPECT_EQ(state.selectedDate, OleDate::fromCivil(2026, 1, 31));
    click("Command1_2");
    EXPECT_EQ(state.shownMonth, 2);
    EXPECT_EQ(state.selectedDate, OleDate::fromCivil(2026, 3, 3));
    EXPECT_EQ(get<MonthGridView>("RichTextBox1")->selectedCell(), 30);
    click("Command1_3");
    EXPECT_EQ(state.shownYear, 2027);
    click("Command1_0");
    click("Command1_0");
    EXPECT_EQ(state.shownYear, 2025);
    click("Command2");
    EXPECT_EQ(state.selectedDate, OleDate::fromCivil(2026, 1, 31));
    EXPECT_EQ(state.shownMonth, 1);
    click("Command1_1");
    EXPECT_EQ(state.shownMonth, 12);
    EXPECT_EQ(state.shownYear, 2025);
    // December 2025 starts on a Monday: cell 0 is the greyed 30 November.
    QTest::mouseClick(
        get<MonthGridView>("RichTextBox1"), Qt::LeftButton, {}, MonthGridView::cellRect(0).center());
    EXPECT_EQ(state.selectedDate, OleDate::fromCivil(2025, 11, 30));
    EXPECT_EQ(state.shownMonth, 12);
}

TEST_F(CalendarWindowTest, DoubleClickOnADayStartsANewAlarmThere)
{
    open();
    QSignalSpy spy(m_window.get(), &CalendarWindow::newAlarmRequested);
    get<QTabWidget>("SSTab1")->setCurrentIndex(1);
    QTest::mouseDClick(
        get<MonthGridView>("RichTextBox1"), Qt::LeftButton, {}, MonthGridView::cellRect(10).center());
    EXPECT_EQ(spy.count(), 1);
    EXPECT_FALSE(m_window->isVisible());
    const NewAlarmPreparation preparation = m_window->newAlarmPreparation();
    EXPECT_EQ(preparation.view, EditorView::Day);
    EXPECT_EQ(preparation.dateText, "2026/01/07"); // January 2026 starts in cell 4
    EXPECT_EQ(preparation.draft.startDigits[1], "0");
    m_window->show();
    action("m_file_new")->trigger();
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(CalendarWindowTest, DeleteRemovesTheCurrentRowAndSaves)
{
    open(3);
    m_window->setCurrentRow(2);
    action("m_grid1_delete")->trigger();
    EXPECT_EQ(m_tables.alarms.alarmCount, 2);
    EXPECT_EQ(savedAlarms(), 2);
    // The row emptied: the row above becomes current.
    EXPECT_EQ(m_window->currentRow(), 1);

    m_sounding.on = true;
    action("m_grid1_delete")->trigger();
    EXPECT_EQ(m_tables.alarms.alarmCount, 2);
    m_sounding.on = false;
    m_window->setCurrentRow(5);
    action("m_grid1_delete")->trigger();
    EXPECT_EQ(m_tables.alarms.alarmCount, 2);
    EXPECT_TRUE(m_prompter.shown().isEmpty());
}

TEST_F(CalendarWindowTest, EditAndOptionsOnAnEmptyRowAskForAnAlarm)
{
    open(1);
    QSignalSpy edits(m_window.get(), &CalendarWindow::editAlarmRequested);
    for (const char* name : {"m_edit", "m_option"}) {
        m_prompter.clear();
        m_window->show();
        m_window->setCurrentRow(4);
        action(name)->trigger();
        ASSERT_EQ(m_prompter.messages().size(), 1) << name;
        EXPECT_EQ(m_prompter.messages().front(), QStringLiteral("アラームデータを選択してください"));
    }
    // Without alarms an empty row asks nothing; the options open all the same.
    clearTables();
    m_window->refresh();
    m_prompter.clear();
    m_window->show();
    QSignalSpy options(m_window.get(), &CalendarWindow::optionsRequested);
    action("m_option")->trigger();
    EXPECT_TRUE(m_prompter.shown().isEmpty());
    EXPECT_EQ(options.count(), 1);
    m_store.addAlarm(daily(9, 0, "定例"));
    m_window->refresh();
    m_window->setCurrentRow(0);
    action("m_grid1_edit")->trigger();
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits.front().at(0).toInt(), 0);
}

TEST_F(CalendarWindowTest, ADayClickInTheDailyListRunsTheRowClickForTheRowCurrentAfterTheRefill)
{
    AlarmRecord once = daily(11, 0, "今日だけ");
    once.kind = kKindOnce;
    once.startTime = OleDate::fromCivil(2026, 1, 31, 11, 0);
    once.endTime = once.startTime;
    AlarmRecord fridays = daily(12, 0, "金曜");
    fridays.kind = kKindWeekly;
    fridays.weekdayMask = kFriday;
    m_store.addAlarm(once);
    m_store.addAlarm(fridays);
    open(1); // alarm 2, daily at 09:00: the first row of every day
    get<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto* grid = get<QTableView>("MSGrid1_1");
    QTest::mouseClick(
        grid->viewport(), Qt::LeftButton, {}, grid->visualRect(m_window->listModel()->index(1, 4)).center());
    ASSERT_EQ(m_view.selectedAlarm, 0);
    // Friday the 30th: the grid keeps its current row through the refill.
    QTest::mouseClick(
        get<MonthGridView>("RichTextBox1"), Qt::LeftButton, {}, MonthGridView::cellRect(4 + 29).center());
    EXPECT_EQ(m_window->currentRow(), 1);
    EXPECT_EQ(m_view.selectedAlarm, 1);
    const auto* timetable = get<TimetableView>("Label5");
    ASSERT_GE(timetable->framedBar(), 0);
    EXPECT_EQ(timetable->shownLayout().bars[static_cast<std::size_t>(timetable->framedBar())].alarmIndex, 1);
}

// The choice is taken 100 ms later and handed on; the application adds the
// timer and saves it (CalendarWiringTest).
TEST_F(CalendarWindowTest, TheQuickTimersChoiceAsksForItsMinutesAfterATenthOfASecond)
{
    open(2);
    auto* combo = get<QComboBox>("Combo1");
    ASSERT_EQ(combo->count(), 11);
    EXPECT_EQ(combo->itemText(10), QStringLiteral("120分"));
    QSignalSpy requested(m_window.get(), &CalendarWindow::quickTimerRequested);
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    EXPECT_EQ(requested.count(), 0);
    m_clock.advanceMs(100);
    ASSERT_EQ(requested.count(), 1);
    EXPECT_EQ(requested.front().at(0).toInt(), 5);
}

TEST_F(CalendarWindowTest, FailedSaveWarnsWithThePathAndKeepsTheAlarm)
{
    open(1);
    m_settings.setDataPath(m_dir.path().toStdString() + "/missing/Kalvendorix.dat");
    m_window->setCurrentRow(0);
    action("m_grid1_delete")->trigger();
    EXPECT_EQ(m_tables.alarms.alarmCount, 0);
    ASSERT_EQ(m_prompter.messages().size(), 1);
    EXPECT_TRUE(
        m_prompter.messages().front().startsWith(QStringLiteral("データファイルを保存できませんでした")));
    EXPECT_TRUE(m_prompter.messages().front().contains(QStringLiteral("missing")));
    EXPECT_TRUE(m_store.modified());
    click("Command5");
    EXPECT_TRUE(m_window->isVisible());
}

TEST_F(CalendarWindowTest, AFolderWhereTheSettingsFileBelongsIsNamedAndTheNextOkWritesIt)
{
    open(1);
    const QString settingsFile = QString::fromStdString(m_settings.mainFile());
    ASSERT_TRUE(QDir().mkpath(settingsFile));
    click("Command5");
    ASSERT_EQ(m_prompter.messages().size(), 1);
    const QStringList lines = m_prompter.messages().front().split(u'\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("設定ファイルを保存できませんでした。"));
    EXPECT_EQ(lines[1], settingsFile);
    EXPECT_FALSE(lines[2].isEmpty());
    EXPECT_TRUE(m_window->isVisible());
    ASSERT_TRUE(QDir(settingsFile).removeRecursively());
    click("Command5");
    EXPECT_EQ(m_prompter.messages().size(), 1);
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_TRUE(QFileInfo(settingsFile).isFile());
    EXPECT_EQ(savedAlarms(), 1);
}

TEST_F(CalendarWindowTest, SplitterKeepsBothTabsAboveTheirLimits)
{
    open();
    auto* upper = get<QTabWidget>("SSTab1");
    auto* lower = get<QTabWidget>("SSTab2");
    auto* bar = get<QWidget>("Picture10");
    const int upperHeight = upper->height();
    const int lowerHeight = lower->height();
    const int gridHeight = get<QTableView>("MSGrid1_0")->height();
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(10, 2));
    QTest::mouseMove(bar, QPoint(10, 32));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(10, 32));
    EXPECT_EQ(upper->height(), upperHeight + 30);
    EXPECT_EQ(lower->height(), lowerHeight - 30);
    // The frame and the visible grid grow with the tab.
    EXPECT_EQ(get("Label8")->geometry().bottom(), bar->geometry().top() - 1);
    EXPECT_EQ(get<QTableView>("MSGrid1_0")->height(), gridHeight + 30);
    EXPECT_TRUE(get<QTableView>("MSGrid1_0")->isVisible());
    // The lower tab would become 900 twips or less.
    const int tooFar = lower->height() - 900 / 15 + 1;
    EXPECT_FALSE(m_window->moveSplitter(tooFar * 15));
    EXPECT_EQ(lower->height(), lowerHeight - 30);
    EXPECT_FALSE(m_window->moveSplitter(-(upper->height() * 15 - 1160)));
    EXPECT_TRUE(m_window->moveSplitter(-(upper->height() * 15 - 1175)));
}

TEST_F(CalendarWindowTest, MenusAndClosing)
{
    open();
    struct Row {
        const char* name;
        const char* caption;
    };
    const Row rows[] = {{"m_file_new", "新規作成"}, {"m_file_end", "終了"}, {"m_edit", "編集"},
        {"m_option", "オプション"}, {"m_hlelp", "バージョン"}, {"m_grid1_delete", "削除"},
        {"m_grid2_null", "空行削除"}, {"m_grid2_nuura", "付箋紙ヌーラへ"}};
    for (const Row& row : rows) {
        EXPECT_EQ(action(row.name)->text(), QString::fromUtf8(row.caption)) << row.name;
    }
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Kalvendorix"));
    m_window->close();
    EXPECT_FALSE(m_window->isVisible());
}

} // namespace
} // namespace kvx
