#include "calendar/AlarmListPane.h"

#include "calendar/CalendarListModel.h"
#include "calendar/Placement.h"

#include <QHeaderView>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace kvx {

namespace {

constexpr Place kFrame = {"Label8", 6240, 375, 4550, 3180};
constexpr int kGridWidth = 4163;
constexpr std::array<int, 4> kColumnWidths = {300, 700, 700, 700};

} // namespace

AlarmListPane::AlarmListPane(CalendarContext& context, QWidget* parent)
    : QGroupBox(QStringLiteral("リスト"), parent)
    , m_context(context)
{
    placed(this, kFrame, QStringLiteral("リスト"));
    m_model = new CalendarListModel(this);
    m_tabs = named(new QTabWidget(this), "SSTab1", QStringLiteral("アラームリスト"));
    m_tabs->setGeometry(tabRect(kFrame));
    for (int i = 0; i < 2; ++i) {
        auto* page = new QWidget;
        m_grids[static_cast<std::size_t>(i)] = buildGrid(page, i);
        m_tabs->addTab(page, i == 0 ? QStringLiteral("一覧") : QStringLiteral("デイリー"));
    }
    buildMenu();
    connect(m_tabs, &QTabWidget::currentChanged, this, &AlarmListPane::showTab);
}

QTableView* AlarmListPane::buildGrid(QWidget* page, int index)
{
    auto* grid = new QTableView(page);
    // The grid fills its page, so that it grows and shrinks with the tab.
    auto* fill = new QVBoxLayout(page);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(grid);
    grid->setObjectName(QStringLiteral("MSGrid1_%1").arg(index));
    grid->setAccessibleName(index == 0 ? QStringLiteral("アラーム一覧") : QStringLiteral("この日のアラーム"));
    grid->setModel(m_model);
    QFont font = grid->font();
    font.setPointSize(10);
    grid->setFont(font);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(px(240));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    int rest = kGridWidth - 331;
    for (std::size_t c = 0; c < kColumnWidths.size(); ++c) {
        grid->setColumnWidth(static_cast<int>(c), px(kColumnWidths[c]));
        rest -= kColumnWidths[c];
    }
    grid->setColumnWidth(4, px(rest));
    connect(grid, &QTableView::clicked, this, &AlarmListPane::rowClicked);
    connect(grid, &QTableView::doubleClicked, this, &AlarmListPane::rowDoubleClicked);
    connect(grid, &QTableView::customContextMenuRequested, this, [this, grid](const QPoint& at) {
        const QModelIndex index = grid->indexAt(at);
        if (index.isValid()) {
            setCurrentRow(index.row());
        }
        m_menu->popup(grid->viewport()->mapToGlobal(at));
    });
    return grid;
}

void AlarmListPane::buildMenu()
{
    m_menu = new QMenu(QStringLiteral("グリッド１右メニュー"), this);
    m_menu->setObjectName(QStringLiteral("m_grid1_right"));
    const auto item = [this](const char* name, const QString& caption, void (AlarmListPane::*chosen)()) {
        auto* action = new QAction(caption, m_menu);
        action->setObjectName(QLatin1String(name));
        m_menu->addAction(action);
        connect(action, &QAction::triggered, this, chosen);
    };
    item("m_grid1_edit", QStringLiteral("編集"), &AlarmListPane::editRequested);
    item("m_grid1_delete", QStringLiteral("削除"), &AlarmListPane::deleteRequested);
    item("m_grid1_new", QStringLiteral("新規作成"), &AlarmListPane::newRequested);
}

CalendarTab AlarmListPane::tab() const
{
    return m_tabs->currentIndex() == 1 ? CalendarTab::Day : CalendarTab::AllAlarms;
}

QTableView* AlarmListPane::visibleGrid() const
{
    return m_grids[static_cast<std::size_t>(m_tabs->currentIndex() == 1 ? 1 : 0)];
}

void AlarmListPane::fill()
{
    OleDate nextRing;
    std::vector<int> dayRows;
    m_model->setList(calendarListRows(m_context.store.alarms(), m_context.store.order(), tab(),
        m_context.view.calendar.selectedDate, m_context.clock.nowOle(), nextRing, dayRows));
}

int AlarmListPane::currentRow() const
{
    const QModelIndex index = visibleGrid()->currentIndex();
    return index.isValid() ? index.row() : -1;
}

void AlarmListPane::setCurrentRow(int row)
{
    QTableView* grid = visibleGrid();
    if (row < 0 || row >= m_model->rowCount()) {
        return;
    }
    grid->setCurrentIndex(m_model->index(row, 1));
    grid->selectRow(row);
}

int AlarmListPane::currentAlarm() const
{
    return m_model->alarmIndex(currentRow());
}

// The other tab lists its alarms with the chosen alarm current.
void AlarmListPane::showTab()
{
    fill();
    const int row = m_model->rowOf(m_context.view.selectedAlarm);
    if (row >= 0) {
        setCurrentRow(row);
    }
}

void AlarmListPane::grow(int pixels)
{
    resize(width(), height() + pixels);
    m_tabs->resize(m_tabs->width(), m_tabs->height() + pixels);
}

} // namespace kvx
