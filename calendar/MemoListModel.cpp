#include "calendar/MemoListModel.h"

#include "schedule/Memos.h"

#include <QMimeData>

namespace kvx {

MemoListModel::MemoListModel(MemoLists& memos, int category, QObject* parent)
    : QAbstractTableModel(parent)
    , m_memos(memos)
    , m_category(category)
{
}

int MemoListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : memoCount(m_memos, m_category);
}

int MemoListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant MemoListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)
        || (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)) {
        return {};
    }
    const QString memo = text(index.row());
    // The cell shows one line; the tip shows a long memo whole.
    if (role == Qt::ToolTipRole) {
        return memo.isEmpty() ? QVariant() : memo;
    }
    return memo;
}

QVariant MemoListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return section == 0 ? QStringLiteral("内容") : QVariant();
    }
    return section + 1;
}

Qt::ItemFlags MemoListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::ItemIsDropEnabled;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QStringList MemoListModel::mimeTypes() const
{
    return {QStringLiteral("text/plain")};
}

QMimeData* MemoListModel::mimeData(const QModelIndexList& indexes) const
{
    if (indexes.isEmpty() || !indexes.front().isValid()) {
        return nullptr;
    }
    auto* data = new QMimeData;
    data->setText(text(indexes.front().row()));
    return data;
}

QString MemoListModel::text(int row) const
{
    if (row < 0 || row >= rowCount()) {
        return {};
    }
    return QString::fromStdString(
        m_memos.lists[static_cast<std::size_t>(m_category)][static_cast<std::size_t>(row)]);
}

void MemoListModel::setText(int row, const QString& text)
{
    if (row < 0 || row >= rowCount()) {
        return;
    }
    m_memos.lists[static_cast<std::size_t>(m_category)][static_cast<std::size_t>(row)] = text.toStdString();
    emit dataChanged(index(row, 0), index(row, 0));
}

int MemoListModel::appendRow()
{
    const int row = rowCount();
    beginInsertRows({}, row, row);
    appendMemo(m_memos, m_category);
    endInsertRows();
    return row;
}

void MemoListModel::peel(int row)
{
    if (row < 0 || row >= rowCount()) {
        return;
    }
    if (!peelRemovesMemo(m_memos, m_category, row)) {
        peelMemo(m_memos, m_category, row);
        emit dataChanged(index(row, 0), index(row, 0));
        return;
    }
    beginRemoveRows({}, row, row);
    peelMemo(m_memos, m_category, row);
    endRemoveRows();
}

void MemoListModel::closeUp()
{
    closeUpMemos(m_memos, m_category);
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0));
    }
}

int MemoListModel::drop(const QString& text)
{
    int row = dropIndex(m_memos, m_category);
    if (row >= rowCount()) {
        row = appendRow();
    }
    setText(row, text);
    return row;
}

void MemoListModel::reload()
{
    beginResetModel();
    endResetModel();
}

} // namespace kvx
