#pragma once

#include <QAbstractListModel>

#include "schedule/AlarmRows.h"


#include <vector>

namespace kvx {

// The rows of the editor's alarm list `List1`: marker and description of each
// alarm in display order, for all alarms or the chosen day.
class AlarmListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit AlarmListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void setRows(std::vector<EditorRow> rows);
    // Table index of the alarm on `row`.
    int alarmIndex(int row) const { return m_rows[static_cast<std::size_t>(row)].alarmIndex; }
    // Row of the alarm, or -1 when the list does not show it.
    int rowOf(int alarmIndex) const;

private:
    std::vector<EditorRow> m_rows;
};

} // namespace kvx
