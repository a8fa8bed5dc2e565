#pragma once

#include <QAbstractTableModel>

namespace kvx {

class AlarmStore;
struct MemoLists;

// One memo list of the shared tables as the grid `MSGrid2` shows it: one row
// per memo under the header "内容". Its edits go to the store's memos in
// place, so every save of the data file carries the memos as they stand.
class MemoListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    MemoListModel(AlarmStore& store, int category, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    int category() const { return m_category; }
    QString text(int row) const;
    void setText(int row, const QString& text);
    // Appends an empty memo; its row.
    int appendRow();
    // Peels the memo off the list: emptied, or removed past the minimum rows.
    void peel(int row);
    void closeUp();
    // The row a dropped text goes to (a new one when the list is full), with
    // the text written into it.
    int drop(const QString& text);
    // The tables were replaced (another data file, a reload).
    void reload();

private:
    const MemoLists& memos() const;

    AlarmStore& m_store;
    int m_category;
};

} // namespace kvx
