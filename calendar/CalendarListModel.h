#pragma once

#include <QAbstractTableModel>

#ifndef Q_MOC_RUN
#include "schedule/AlarmRows.h"
#endif

namespace kvx {

// The rows of the calendar window's alarm grids `MSGrid1`: start, end, kind
// and message of each listed alarm after an empty first column, never fewer
// rows than the grid's minimum (the header row counts as one).
class CalendarListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kColumns = 5;

    explicit CalendarListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setList(CalendarList list);
    // The alarm on a row, or -1 for an empty row.
    int alarmIndex(int row) const;
    // The row of an alarm, or -1 when it is not listed.
    int rowOf(int alarmIndex) const;
    int entries() const { return static_cast<int>(m_list.rows.size()); }

private:
    CalendarList m_list;
};

} // namespace kvx
