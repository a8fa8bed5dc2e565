#pragma once

#include "calendar/CalendarContext.h"

#include <QTabWidget>

#include <array>
#include <functional>

class QMenu;
class QMimeData;
class QTableView;

namespace kvx {

class MemoListModel;

// The memo tabs `SSTab2` "メモ", "連絡", "購入", each with its grid `MSGrid2`
// over the shared memo lists: new and edit in the edit window, peel off into
// the log, close up empty rows, drag out and drop in plain text, and hand a
// memo to the sticky-note program.
class MemoTabs : public QTabWidget {
    Q_OBJECT

public:
    // Carries a drag of `data` from `source` and says how it ended.
    using DragRunner = std::function<Qt::DropAction(QMimeData* data, QWidget* source)>;

    MemoTabs(CalendarContext& context, QWidget* parent);
    ~MemoTabs() override;

    // Other tables were loaded: every list is shown afresh.
    void reload();

    QTableView* grid(int category) const { return m_grids[static_cast<std::size_t>(category)]; }
    MemoListModel* model(int category) const { return m_models[static_cast<std::size_t>(category)]; }
    // The current row of the visible list, -1 for none.
    int currentRow() const;
    void setCurrentRow(int row);

    void newMemo();
    void editMemo();
    // Peels the current memo off into the log; false when the log could not
    // be written (the memo then stays, and the user is told).
    bool peelCurrent();
    void closeUpEmptyRows();
    void sendToNotes();
    // A text dropped on a list goes to its drop row, which becomes current.
    void dropText(int category, const QString& text);

    void setDragRunner(DragRunner runner) { m_runDrag = std::move(runner); }
    QMenu* menu() const { return m_menu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView* buildGrid(int category);
    void buildMenu();
    void startDrag(int category);
    bool peel(int category, int row);
    void openEditor(int category, int row);
    void showRowAtTop(int category, int row, bool onlyWhenHidden);

    CalendarContext& m_context;
    std::array<MemoListModel*, 3> m_models{};
    std::array<QTableView*, 3> m_grids{};
    QMenu* m_menu = nullptr;
    DragRunner m_runDrag;
};

} // namespace kvx
