#pragma once

#include "calendar/CalendarContext.h"

#include <QMainWindow>

#ifndef Q_MOC_RUN
#include "schedule/DisplayOrder.h"
#include "schedule/MonthGrid.h"
#include "schedule/NewAlarm.h"
#endif

#include <array>
#include <memory>
#include <vector>

class QComboBox;
class QFrame;
class QGroupBox;
class QMenu;
class QPushButton;
class QTabWidget;
class QTableView;

namespace kvx {

class CalendarListModel;
class DigitClock;
class MemoTabs;
class MonthGridView;
class TimetableView;

// The calendar main window `Form0`: the month grid with its title and
// navigation, the alarm lists, the memo tabs, the timetable band, the clock
// panel and the quick timer. Closing it hides it. It asks the other windows
// for what it cannot do itself through its signals.
class CalendarWindow : public QMainWindow {
    Q_OBJECT

public:
    // The splitter keeps the upper tab taller than this, the lower one taller
    // than kLowerTabMinimum (twips).
    static constexpr int kUpperTabMinimum = 1160;
    static constexpr int kLowerTabMinimum = 900;

    explicit CalendarWindow(CalendarContext context, QWidget* parent = nullptr);
    ~CalendarWindow() override;

    // Shows the current month with today chosen.
    void goToToday();
    // Shows the month of the chosen date (after the editor stored a change).
    void showSelectedMonth();
    // A day cell was clicked: chooses its day.
    void selectCell(int cell);
    void stepMonth(MonthStep step);
    // The tables changed: refills the lists and redraws the month.
    void refresh();
    void deleteCurrentAlarm();
    void showAddedTimer();
    // Moves the splitter bar by `twips` when both tabs keep their minimum.
    bool moveSplitter(int twips);

    CalendarTab tab() const;
    // The list row that is current, -1 for none.
    int currentRow() const;
    void setCurrentRow(int row);
    // What the editor shows for a new alarm on the chosen day.
    NewAlarmPreparation newAlarmPreparation() const;
    CalendarListModel* listModel() const { return m_model; }
    MemoTabs* memoTabs() const { return m_memoTabs; }
    DigitClock* digitClock() const { return m_clock; }
    // Other tables were loaded (another data file): the memo lists show them.
    void reloadMemos();

signals:
    // Start a new alarm in the editor for the chosen day (newAlarmPreparation).
    void newAlarmRequested();
    // Open this alarm in the editor, in the view matching the tab.
    void editAlarmRequested(int alarmIndex);
    // The same, then the editor's options.
    void optionsRequested(int alarmIndex);
    void aboutRequested();
    void exitRequested();
    // The quick timer's choice: a timer of these minutes is to be added and saved.
    void quickTimerRequested(int minutes);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildCalendar(QWidget* central);
    void buildLists(QWidget* central);
    void buildMemos(QWidget* central);
    void buildBottom(QWidget* central);
    void buildMenus();
    QTableView* buildGrid(QWidget* page, int index);
    void paintHeader();
    void drawMonth();
    void fillList();
    void tabChanged();
    void rowClicked();
    void redrawTimetable();
    void timetableScrolled();
    // The alarm of the current row; on an empty row -1, after asking for one
    // when there are alarms.
    int alarmOfCurrentRow();
    void editCurrentRow();
    void requestNewAlarm();
    void confirm();
    bool saveNow();
    bool weekStartsMonday() const;
    QTableView* visibleGrid() const;

    CalendarContext m_context;
    std::array<QPushButton*, 4> m_navigation{};
    QPushButton* m_title = nullptr;
    std::array<QPushButton*, 7> m_weekdays{};
    MonthGridView* m_grid = nullptr;
    DigitClock* m_clock = nullptr;
    TimetableView* m_timetable = nullptr;
    QGroupBox* m_listFrame = nullptr;
    QTabWidget* m_listTabs = nullptr;
    std::array<QTableView*, 2> m_lists{};
    CalendarListModel* m_model = nullptr;
    QFrame* m_splitter = nullptr;
    QGroupBox* m_memoFrame = nullptr;
    MemoTabs* m_memoTabs = nullptr;
    QComboBox* m_quick = nullptr;
    QMenu* m_listMenu = nullptr;
    std::unique_ptr<Timer> m_quickTimer;
    std::vector<int> m_dayRowMap;
    MonthLayout m_layout;
    bool m_tabBusy = false;
    bool m_splitDrag = false;
    int m_pressY = 0;
};

} // namespace kvx
