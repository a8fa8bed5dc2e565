#include "calendar/CalendarListModel.h"

#include <QColor>
#include <QFont>

namespace kvx {

namespace {

const QColor kListBackground(255, 238, 206);

} // namespace

CalendarListModel::CalendarListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int CalendarListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list.gridRows - 1;
}

int CalendarListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant CalendarListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumns) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole: {
        const auto row = static_cast<std::size_t>(index.row());
        if (index.column() == 0 || row >= m_list.rows.size()) {
            return QString();
        }
        return QString::fromStdString(m_list.rows[row].texts[static_cast<std::size_t>(index.column() - 1)]);
    }
    case Qt::BackgroundRole:
        return kListBackground;
    default:
        return {};
    }
}

QVariant CalendarListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const QStringList kHeaders = {QString(), QStringLiteral("開始"), QStringLiteral("終了"),
        QStringLiteral("繰返"), QStringLiteral("内容")};
    return section >= 0 && section < kColumns ? kHeaders[section] : QVariant();
}

void CalendarListModel::setList(CalendarList list)
{
    beginResetModel();
    m_list = std::move(list);
    endResetModel();
}

int CalendarListModel::alarmIndex(int row) const
{
    return row >= 0 && row < entries() ? m_list.rows[static_cast<std::size_t>(row)].alarmIndex : -1;
}

int CalendarListModel::rowOf(int alarmIndex) const
{
    for (int row = 0; row < entries(); ++row) {
        if (m_list.rows[static_cast<std::size_t>(row)].alarmIndex == alarmIndex) {
            return row;
        }
    }
    return -1;
}

} // namespace kvx
