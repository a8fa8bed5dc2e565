#pragma once

// moc stops at a standard header read before the Qt ones.
// clang-format off
#include <QWidget>
// clang-format on

#include "core/Records.h"
#include "schedule/Rota.h"

#include <chrono>

class QAction;
class QKeyEvent;
class QMouseEvent;
class QCalendarWidget;
class QLineEdit;
class QMenu;
class QModelIndex;
class QTableView;

namespace kvx {

class RotaModel;

// The tab "定期予定" (`Frame5`): the rota grid `FGrid20` with its in-place
// edit box `Text20` and right-click menu, and the rota's first day
// `MonthView20`. Names typed here reach the table only when stored ("ＯＫ").
class RoutineTab : public QWidget {
    Q_OBJECT

public:
    explicit RoutineTab(QWidget* parent = nullptr);

    // Rebuilds the grid from the table; an unset first day shows `today`.
    void load(const RoutineList& list, std::chrono::sys_days today);
    void storeInto(RoutineList& list) const;
    // The rota as the grid and the calendar show it now, stored or not.
    RotaDraft current() const;

    // The menu's items, as the user chooses them.
    void editName();
    void newName();
    void deleteName();

signals:
    // Enter ended an edit, or a first day was chosen: the focus goes to "ＯＫ".
    void doneEditing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool gridKey(QKeyEvent* event);
    bool gridMouse(QMouseEvent* event, bool doubleClick);
    bool boxKey(QKeyEvent* event);
    void beginEdit(const QString& text);
    void commitEdit();
    void hideBox();
    void leaveCell(const QModelIndex& previous);
    void enterWalk();
    void makeCurrent(int row);
    int currentRow() const;
    int topRow() const;
    void setTopRow(int row);
    void fitWidth();

    QTableView* m_grid;
    RotaModel* m_model;
    QLineEdit* m_box;
    QCalendarWidget* m_calendar;
    QMenu* m_menu;
    QAction* m_edit;
    QAction* m_delete;
    QAction* m_new;
    int m_editRow = -1;
};

} // namespace kvx
