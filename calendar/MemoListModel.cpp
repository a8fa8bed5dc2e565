#include "calendar/MemoListModel.h"

#include "schedule/Memos.h"
#include "store/AlarmStore.h"

#include <QMimeData>

namespace kvx {

MemoListModel::MemoListModel(AlarmStore& store, int category, QObject* parent)
    : QAbstractTableModel(parent)
    , m_store(store)
    , m_category(category)
{
}

const MemoLists& MemoListModel::memos() const
{
    return m_store.tables().memos;
}

int MemoListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : memoCount(memos(), m_category);
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
        memos().lists[static_cast<std::size_t>(m_category)][static_cast<std::size_t>(row)]);
}

void MemoListModel::setText(int row, const QString& text)
{
    if (row < 0 || row >= rowCount()) {
        return;
    }
    m_store.changeMemos([this, row, &text](MemoLists& memos) {
        memos.lists[static_cast<std::size_t>(m_category)][static_cast<std::size_t>(row)] = text.toStdString();
    });
    emit dataChanged(index(row, 0), index(row, 0));
}

int MemoListModel::appendRow()
{
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_store.changeMemos([this](MemoLists& memos) { appendMemo(memos, m_category); });
    endInsertRows();
    return row;
}

void MemoListModel::peel(int row)
{
    if (row < 0 || row >= rowCount()) {
        return;
    }
    const auto peel = [this, row](MemoLists& memos) { peelMemo(memos, m_category, row); };
    if (!peelRemovesMemo(memos(), m_category, row)) {
        m_store.changeMemos(peel);
        emit dataChanged(index(row, 0), index(row, 0));
        return;
    }
    beginRemoveRows({}, row, row);
    m_store.changeMemos(peel);
    endRemoveRows();
}

void MemoListModel::closeUp()
{
    m_store.changeMemos([this](MemoLists& memos) { closeUpMemos(memos, m_category); });
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0));
    }
}

int MemoListModel::drop(const QString& text)
{
    int row = dropIndex(memos(), m_category);
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
