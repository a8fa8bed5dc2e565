#pragma once

#include "calendar/CalendarContext.h"

#include <QMainWindow>

#ifndef Q_MOC_RUN
#include "schedule/MonthGrid.h"
#include "schedule/NewAlarm.h"
#endif

#include <memory>

class QComboBox;
class QFrame;
class QGroupBox;

namespace kvx {

class AlarmListPane;
class CalendarListModel;
class DigitClock;
class MemoTabs;
class MonthPane;
class TimetableView;

// The calendar main window `Form0`: the month pane, the alarm-list pane and
// the memo tabs with the splitter between them, the timetable band, the clock
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
    // Chooses the day of cell k of the shown month.
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
    CalendarListModel* listModel() const;
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
    // "ファイル": the alarms to an iCalendar file, or one read in (chosen in a
    // dialog, or dropped on the window).
    void exportRequested();
    void importRequested();
    void calendarFileDropped(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMemos(QWidget* central);
    void buildBottom(QWidget* central);
    void buildMenus();
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

    CalendarContext m_context;
    MonthPane* m_month = nullptr;
    AlarmListPane* m_lists = nullptr;
    DigitClock* m_clock = nullptr;
    TimetableView* m_timetable = nullptr;
    QFrame* m_splitter = nullptr;
    QGroupBox* m_memoFrame = nullptr;
    MemoTabs* m_memoTabs = nullptr;
    QComboBox* m_quick = nullptr;
    std::unique_ptr<Timer> m_quickTimer;
    bool m_splitDrag = false;
    int m_pressY = 0;
};

} // namespace kvx
