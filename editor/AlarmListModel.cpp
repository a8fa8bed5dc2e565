#include "editor/AlarmListModel.h"

namespace kvx {

AlarmListModel::AlarmListModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

int AlarmListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant AlarmListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        const EditorRow& row = m_rows[static_cast<std::size_t>(index.row())];
        return QString::fromStdString(row.marker + row.text);
    }
    return {};
}

void AlarmListModel::setRows(std::vector<EditorRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int AlarmListModel::rowOf(int alarmIndex) const
{
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].alarmIndex == alarmIndex) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

} // namespace kvx
