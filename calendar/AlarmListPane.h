#pragma once

#include "calendar/CalendarContext.h"

#include <QGroupBox>

#ifndef Q_MOC_RUN
#include "schedule/AlarmRows.h"
#endif

#include <array>

class QMenu;
class QTabWidget;
class QTableView;

namespace kvx {

class CalendarListModel;

// The calendar window's alarm lists in their frame `Label8`: the tabs
// "一覧" (every alarm) and "デイリー" (the chosen day's), each a grid
// `MSGrid1` over one model, and the grid's right-click menu. It lists what
// the store holds for the view state's day and tells what the user chose.
class AlarmListPane : public QGroupBox {
    Q_OBJECT

public:
    AlarmListPane(CalendarContext& context, QWidget* parent);

    CalendarTab tab() const;
    // Lists the tab's alarms afresh.
    void fill();
    // The list row that is current, -1 for none.
    int currentRow() const;
    void setCurrentRow(int row);
    // The alarm on the current row, -1 for an empty row.
    int currentAlarm() const;
    CalendarListModel* model() const { return m_model; }
    QTabWidget* tabs() const { return m_tabs; }
    // Grows the frame and its tabs by `pixels` downwards (or shrinks them).
    void grow(int pixels);

signals:
    void rowClicked();
    void rowDoubleClicked();
    void editRequested();
    void deleteRequested();
    void newRequested();

private:
    QTableView* buildGrid(QWidget* page, int index);
    void buildMenu();
    QTableView* visibleGrid() const;
    void showTab();

    CalendarContext& m_context;
    QTabWidget* m_tabs = nullptr;
    std::array<QTableView*, 2> m_grids{};
    CalendarListModel* m_model = nullptr;
    QMenu* m_menu = nullptr;
};

} // namespace kvx
