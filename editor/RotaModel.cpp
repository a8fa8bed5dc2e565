#include "editor/RotaModel.h"

namespace kvx {

RotaModel::RotaModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int RotaModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_draft.rowCount();
}

int RotaModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant RotaModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        return index.column() == kNumberColumn ? QVariant(index.row() + 1) : QVariant(name(index.row()));
    }
    if (role == Qt::TextAlignmentRole && index.column() == kNumberColumn) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    }
    return {};
}

QVariant RotaModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section > 1) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return section == kNumberColumn ? QStringLiteral("予定番号") : QStringLiteral("定期予定名");
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    }
    return {};
}

void RotaModel::setDraft(RotaDraft draft)
{
    beginResetModel();
    m_draft = std::move(draft);
    endResetModel();
}

void RotaModel::setName(int row, const QString& name)
{
    m_draft.setName(row + 1, name.toStdString());
    emit dataChanged(index(row, kNameColumn), index(row, kNameColumn));
}

QString RotaModel::name(int row) const
{
    return QString::fromStdString(m_draft.name(row + 1));
}

int RotaModel::newRow()
{
    RotaDraft grown = m_draft;
    const RotaDraft::NewRow planned = grown.newRow();
    if (planned.appended) {
        beginInsertRows({}, planned.row - 1, planned.row - 1);
        m_draft = std::move(grown);
        endInsertRows();
    }
    return planned.row - 1;
}

bool RotaModel::deleteRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        return false;
    }
    // The names below move up a row and the last row goes: every row keeps its number.
    const int last = rowCount() - 1;
    for (int below = row; below < last; ++below) {
        m_draft.setName(below + 1, m_draft.name(below + 2));
    }
    if (row < last) {
        emit dataChanged(index(row, kNameColumn), index(last - 1, kNameColumn));
    }
    beginRemoveRows({}, last, last);
    m_draft.removeRow(last + 1);
    endRemoveRows();
    return true;
}

} // namespace kvx
