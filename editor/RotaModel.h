#pragma once

// moc stops at a standard header read before the Qt ones.
// clang-format off
#include <QAbstractTableModel>
// clang-format on

#include "schedule/Rota.h"

namespace kvx {

// The rows of the rota grid `FGrid20`: the row number and the name of each
// rota entry, over the editor's working copy of the rota.
class RotaModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kNumberColumn = 0, kNameColumn = 1 };

    explicit RotaModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const RotaDraft& draft() const { return m_draft; }
    void setDraft(RotaDraft draft);
    void setFirstDay(std::chrono::sys_days day) { m_draft.setFirstDay(day); }
    // `row` counts from 0, as the view does.
    void setName(int row, const QString& name);
    QString name(int row) const;
    // "新規作成": the 0-based row to edit.
    int newRow();
    bool deleteRow(int row);

private:
    RotaDraft m_draft;
};

} // namespace kvx
