#include "EditorFixture.h"
#include "editor/EditorWindow.h"
#include "editor/RotaModel.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTableView>

namespace kvx {
namespace {

class RoutineTest : public EditorTest {
public:
    // Starts the program over a data file holding this rota.
    void startWithRota(const std::vector<std::string>& names, OleDate firstDay)
    {
        SharedTables earlier;
        earlier.routines.routineCount = static_cast<std::int32_t>(names.size());
        earlier.routines.routineNames = names;
        earlier.routines.routineNames.emplace_back();
        earlier.routines.routineStart = firstDay;
        ASSERT_TRUE(DataFile().save(earlier, Settings(folder()).defaultDataPath(), OleDate()));
        m_app = std::make_unique<Application>(folder(), m_desktop.services, m_desktop.dialogs);
        ASSERT_EQ(m_app->start(), ResidentWindow::Start::Running);
        m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
        m_app->editor()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_app->editor()));
        showTab(EditorWindow::kRoutineTab);
        m_tester = std::make_unique<QAbstractItemModelTester>(
            grid()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }

    QTableView* grid() const { return get<QTableView>("FGrid20"); }
    QLineEdit* box() const { return edit("Text20"); }
    QStringList names() const
    {
        QStringList texts;
        for (int row = 0; row < grid()->model()->rowCount(); ++row) {
            texts << grid()->model()->index(row, RotaModel::kNameColumn).data().toString();
        }
        return texts;
    }
    QPoint cellCentre(int row) const
    {
        return grid()->visualRect(grid()->model()->index(row, RotaModel::kNameColumn)).center();
    }
    // A right click on the row, then the menu item.
    void menu(int row, const char* item) const
    {
        const QPoint at = row >= 0 ? cellCentre(row) : QPoint(5, grid()->viewport()->height() - 3);
        QTest::mouseClick(grid()->viewport(), Qt::RightButton, {}, at);
        auto* routineMenu = get<QMenu>("m_routine");
        ASSERT_TRUE(routineMenu->isVisible());
        auto* action = routineMenu->findChild<QAction*>(QLatin1String(item));
        ASSERT_NE(action, nullptr) << item;
        routineMenu->hide();
        action->trigger();
    }
    int topRow() const { return grid()->verticalScrollBar()->value() + 1; }
    int currentRow() const { return grid()->currentIndex().row() + 1; }
    RoutineList storedRota() const
    {
        SharedTables saved;
        EXPECT_TRUE(DataFile().load(saved, m_app->settings().dataPath(), {}));
        return saved.routines;
    }

    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

TEST_F(RoutineTest, TheGridShowsTheRotaAndEditsANameInPlace)
{
    startWithRota({"A", "B", "C"}, OleDate::fromCivil(2004, 12, 1));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_EQ(grid()->model()->index(2, RotaModel::kNumberColumn).data().toInt(), 3);
    EXPECT_EQ(grid()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("予定番号"));
    EXPECT_EQ(grid()->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("定期予定名"));
    EXPECT_EQ(grid()->columnWidth(0), 800 / 15);
    EXPECT_EQ(grid()->columnWidth(1), 2515 / 15);
    EXPECT_EQ(grid()->rowHeight(0), 270 / 15);
    EXPECT_EQ(grid()->size(), QSize(3650 / 15, 2520 / 15));
    EXPECT_EQ(get<QCalendarWidget>("MonthView20")->selectedDate(), QDate(2004, 12, 1));
    EXPECT_EQ(currentRow(), 1);
    EXPECT_FALSE(box()->isVisible());

    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cellCentre(1));
    ASSERT_TRUE(box()->isVisible());
    EXPECT_EQ(box()->text(), QStringLiteral("B"));
    EXPECT_EQ(box()->selectedText(), QStringLiteral("B"));
    const QRect cell = grid()->visualRect(grid()->model()->index(1, 1));
    EXPECT_EQ(box()->geometry(),
        QRect(grid()->viewport()->mapTo(box()->parentWidget(), cell.topLeft()), cell.size()));
    type(box(), QStringLiteral("夜勤"));
    QTest::keyClick(box(), Qt::Key_Return);
    EXPECT_FALSE(box()->isVisible());
    EXPECT_EQ(names()[1], QStringLiteral("夜勤"));
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("Command8"));

    // A character typed on the grid starts an edit with it; Escape keeps the old name.
    grid()->setFocus();
    QTest::keyClicks(grid(), QStringLiteral("Z"));
    ASSERT_TRUE(box()->isVisible());
    EXPECT_EQ(box()->text(), QStringLiteral("Z"));
    QTest::keyClick(box(), Qt::Key_Escape);
    EXPECT_FALSE(box()->isVisible());
    EXPECT_EQ(names()[1], QStringLiteral("夜勤"));

    // Clicking another row while editing keeps what was typed.
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cellCentre(0));
    type(box(), QStringLiteral("朝"));
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCentre(2));
    EXPECT_FALSE(box()->isVisible());
    EXPECT_EQ(names()[0], QStringLiteral("朝"));
    EXPECT_EQ(currentRow(), 3);

    click("Command8");
    const RoutineList stored = storedRota();
    EXPECT_EQ(stored.routineCount, 3);
    EXPECT_EQ(stored.routineNames, (std::vector<std::string>{"朝", "夜勤", "C", ""}));
    EXPECT_EQ(stored.routineStart, OleDate::fromCivil(2004, 12, 1));
}

TEST_F(RoutineTest, NewEscapeNewReusesTheEmptyRowAndDeletingTheOnlyRowEmptiesTheRota)
{
    startWithRota({}, OleDate());
    EXPECT_EQ(get<QCalendarWidget>("MonthView20")->selectedDate(), QDate(2026, 12, 8));
    menu(-1, "m_routine_new");
    ASSERT_TRUE(box()->isVisible());
    EXPECT_EQ(names(), QStringList{QString()});
    QTest::keyClick(box(), Qt::Key_Escape);
    menu(0, "m_routine_new");
    EXPECT_EQ(names(), QStringList{QString()});
    type(box(), QStringLiteral("A"));
    QTest::keyClick(box(), Qt::Key_Return);
    menu(0, "m_routine_new");
    type(box(), QStringLiteral("B"));
    QTest::keyClick(box(), Qt::Key_Return);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));

    menu(0, "m_routine_edit");
    EXPECT_EQ(box()->text(), QStringLiteral("A"));
    menu(0, "m_routine_delete");
    EXPECT_FALSE(box()->isVisible());
    EXPECT_EQ(names(), QStringList{QStringLiteral("B")});
    EXPECT_EQ(grid()->model()->index(0, RotaModel::kNumberColumn).data().toInt(), 1);
    menu(0, "m_routine_delete");
    EXPECT_EQ(grid()->model()->rowCount(), 0);
    EXPECT_TRUE(get<QCalendarWidget>("MonthView20")->hasFocus());
    menu(-1, "m_routine_delete");
    menu(-1, "m_routine_edit");
    EXPECT_FALSE(box()->isVisible());
    get<QCalendarWidget>("MonthView20")->setSelectedDate(QDate(2005, 1, 10));
    click("Command8");
    const RoutineList stored = storedRota();
    EXPECT_EQ(stored.routineCount, 0);
    EXPECT_EQ(stored.routineStart, OleDate::fromCivil(2005, 1, 10));
}

TEST_F(RoutineTest, ElevenNamesWidenTheGridAndEnterScrollsOneRowAtATimeFromTheTenth)
{
    std::vector<std::string> eleven;
    for (int i = 1; i <= 11; ++i) {
        eleven.push_back("N" + std::to_string(i));
    }
    startWithRota(eleven, OleDate::fromCivil(2004, 12, 1));
    EXPECT_EQ(grid()->width(), 3900 / 15);
    grid()->setFocus();
    const std::vector<std::pair<int, int>> walk{
        {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1}, {10, 1}, {11, 2}, {11, 2}};
    for (const auto& [row, top] : walk) {
        QTest::keyClick(grid(), Qt::Key_Return);
        EXPECT_EQ(currentRow(), row);
        EXPECT_EQ(topRow(), top) << "at row " << row;
    }
    EXPECT_FALSE(box()->isVisible());
    // Deleting down to ten rows narrows it again.
    menu(5, "m_routine_delete");
    EXPECT_EQ(grid()->width(), 3650 / 15);
}

TEST_F(RoutineTest, UnsavedNamesSurviveLeavingTheEditorAndComingBack)
{
    startWithRota({"A", "B"}, OleDate::fromCivil(2004, 12, 1));
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cellCentre(0));
    type(box(), QStringLiteral("休み"));
    QTest::keyClick(box(), Qt::Key_Return);
    get<QCalendarWidget>("MonthView20")->setSelectedDate(QDate(2004, 12, 2));

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    m_app->editor()->hide();
    m_app->editor()->open();
    m_app->editor()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_app->editor()));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("休み"), QStringLiteral("B")}));
    EXPECT_EQ(get<QCalendarWidget>("MonthView20")->selectedDate(), QDate(2004, 12, 2));
    EXPECT_EQ(m_app->tables().routines.routineNames[0], "A");
    const RotaDraft shown = m_app->editor()->shownRota();
    EXPECT_EQ(
        rotaCellLine(shown.names(), shown.firstDay(), OleDate::fromCivil(2004, 12, 2).day()), " 休み\r");

    click("Command8");
    EXPECT_EQ(storedRota().routineNames[0], "休み");
    EXPECT_EQ(storedRota().routineStart, OleDate::fromCivil(2004, 12, 2));
}

} // namespace
} // namespace kvx
