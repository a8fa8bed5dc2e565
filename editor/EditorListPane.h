#pragma once

#include <QWidget>

#ifndef Q_MOC_RUN
#include "schedule/AlarmRows.h"
#endif

#include <vector>

class QComboBox;
class QListView;
class QPushButton;
class QRadioButton;

namespace kvx {

class AlarmListModel;

// The editor's right-hand pane: the list of alarms (`List1`) in its view (all,
// or the chosen day's), the quick timer (`Combo2`), the add, change and delete
// buttons and "ＯＫ". It shows rows and tells what the user chose.
class EditorListPane : public QWidget {
    Q_OBJECT

public:
    explicit EditorListPane(QWidget* parent = nullptr);

    AlarmListModel* model() const { return m_model; }
    QListView* list() const { return m_list; }
    QPushButton* addButton() const { return m_addButton; }
    QPushButton* okButton() const { return m_okButton; }
    bool dayView() const;
    // Checks the button of the view, without telling of it.
    void setDayView(bool dayView);
    void selectRow(int row);
    // New rows with the same alarms selected as before.
    void refill(std::vector<EditorRow> rows);
    // The selected rows, in their order.
    std::vector<int> selectedRows() const;
    // The current row, -1 for none.
    int currentRow() const;

signals:
    void viewChosen(bool dayView);
    // The current row changed, or the selection did (by mouse or keyboard).
    void currentRowChanged();
    void selectionChanged();
    void quickTimerChosen(int minutes);
    void addClicked();
    void changeClicked();
    void deleteClicked();
    void okClicked();

private:
    QRadioButton* m_allView;
    QRadioButton* m_dayView;
    QListView* m_list;
    AlarmListModel* m_model;
    QComboBox* m_quickTimer;
    QPushButton* m_addButton;
    QPushButton* m_changeButton;
    QPushButton* m_deleteButton;
    QPushButton* m_okButton;
};

} // namespace kvx
