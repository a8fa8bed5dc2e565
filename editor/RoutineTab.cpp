#include "editor/RoutineTab.h"

#include "editor/RotaModel.h"
#include "ui/Controls.h"
#include "ui/QtDates.h"
#include "ui/Twips.h"

#include <QAction>
#include <QCalendarWidget>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace kvx {

namespace {

constexpr int kNumberWidthTwips = 800;
constexpr int kNameWidthTwips = 2515;
bool isEnter(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

RoutineTab::RoutineTab(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Frame5"));
    auto* column = new QVBoxLayout(this);
    m_grid = named(new QTableView, "FGrid20", QStringLiteral("定期予定"));
    m_model = new RotaModel(this);
    m_grid->setModel(m_model);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The grid scrolls only as the Enter walk and the user say.
    m_grid->setAutoScroll(false);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setMinimumSectionSize(px(kRotaRowTwips));
    m_grid->verticalHeader()->setDefaultSectionSize(px(kRotaRowTwips));
    m_grid->horizontalHeader()->setFixedHeight(px(kRotaRowTwips));
    m_grid->horizontalHeader()->setSectionsClickable(false);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->setColumnWidth(RotaModel::kNumberColumn, px(kNumberWidthTwips));
    m_grid->setColumnWidth(RotaModel::kNameColumn, px(kNameWidthTwips));
    m_grid->setFixedHeight(px(kRotaGridHeightTwips));
    m_grid->installEventFilter(this);
    m_grid->viewport()->installEventFilter(this);
    column->addWidget(m_grid);
    column->addWidget(new QLabel(QStringLiteral("■　定期予定の初日")));
    m_calendar = named(new QCalendarWidget, "MonthView20", QStringLiteral("定期予定の初日"));
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setFirstDayOfWeek(Qt::Sunday);
    column->addWidget(m_calendar);
    column->addStretch();

    m_box = named(new QLineEdit(this), "Text20", QStringLiteral("定期予定名の編集"));
    m_box->hide();
    m_box->installEventFilter(this);

    m_menu = named(
        new QMenu(QStringLiteral("定期右メニュー"), this), "m_routine", QStringLiteral("定期右メニュー"));
    m_edit = m_menu->addAction(QStringLiteral("編集"), this, &RoutineTab::editName);
    m_edit->setObjectName(QStringLiteral("m_routine_edit"));
    m_delete = m_menu->addAction(QStringLiteral("削除"), this, &RoutineTab::deleteName);
    m_delete->setObjectName(QStringLiteral("m_routine_delete"));
    m_new = m_menu->addAction(QStringLiteral("新規作成"), this, &RoutineTab::newName);
    m_new->setObjectName(QStringLiteral("m_routine_new"));

    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex&, const QModelIndex& previous) { leaveCell(previous); });
    connect(m_grid->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (m_box->isVisible()) {
            hideBox();
            m_grid->setFocus();
        }
    });
    connect(m_calendar, &QCalendarWidget::clicked, this, &RoutineTab::doneEditing);
    fitWidth();
}

void RoutineTab::load(const RoutineList& list, std::chrono::sys_days today)
{
    hideBox();
    m_model->setDraft(RotaDraft(list, today));
    m_calendar->setSelectedDate(qDateOf(m_model->draft().firstDay()));
    fitWidth();
    setTopRow(1);
    if (m_model->rowCount() > 0) {
        makeCurrent(0);
    }
}

RotaDraft RoutineTab::current() const
{
    RotaDraft draft = m_model->draft();
    draft.setFirstDay(dayOf(m_calendar->selectedDate()));
    return draft;
}

void RoutineTab::storeInto(RoutineList& list) const
{
    current().storeInto(list);
}

void RoutineTab::editName()
{
    beginEdit(currentRow() >= 0 ? m_model->name(currentRow()) : QString());
}

void RoutineTab::newName()
{
    hideBox();
    const int before = m_model->rowCount();
    const int row = m_model->newRow();
    makeCurrent(row);
    if (m_model->rowCount() > before) {
        fitWidth();
        setTopRow(row + 1);
    }
    editName();
}

void RoutineTab::deleteName()
{
    hideBox();
    const int rows = m_model->rowCount();
    const int row = currentRow();
    if (rows < 1 || row < 0) {
        return;
    }
    m_model->deleteRow(row);
    fitWidth();
    if (rows == 1) {
        m_calendar->setFocus();
    } else {
        makeCurrent(std::min(row, m_model->rowCount() - 1));
    }
}

bool RoutineTab::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_grid && type == QEvent::KeyPress) {
        return gridKey(static_cast<QKeyEvent*>(event));
    }
    if (watched == m_grid->viewport()
        && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
        return gridMouse(static_cast<QMouseEvent*>(event), type == QEvent::MouseButtonDblClick);
    }
    if (watched == m_box && type == QEvent::KeyPress) {
        return boxKey(static_cast<QKeyEvent*>(event));
    }
    return QWidget::eventFilter(watched, event);
}

bool RoutineTab::gridKey(QKeyEvent* event)
{
    if (isEnter(event)) {
        enterWalk();
        return true;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.front().isPrint() && currentRow() >= 0) {
        // The typed character replaces the selected text of the cell.
        beginEdit(m_model->name(currentRow()));
        m_box->setText(typed);
        return true;
    }
    return false;
}

bool RoutineTab::gridMouse(QMouseEvent* event, bool doubleClick)
{
    const int row = m_grid->indexAt(event->position().toPoint()).row();
    if (row >= 0) {
        makeCurrent(row);
        m_grid->setFocus();
    }
    if (doubleClick) {
        if (row >= 0) {
            editName();
        }
    } else if (event->button() == Qt::RightButton) {
        m_menu->popup(event->globalPosition().toPoint());
    } else if (event->button() == Qt::LeftButton) {
        hideBox();
    }
    return true;
}

bool RoutineTab::boxKey(QKeyEvent* event)
{
    if (isEnter(event)) {
        commitEdit();
        hideBox();
        emit doneEditing();
        return true;
    }
    if (event->key() == Qt::Key_Escape) {
        hideBox();
        m_grid->setFocus();
        return true;
    }
    return false;
}

void RoutineTab::beginEdit(const QString& text)
{
    const int row = currentRow();
    if (row < 0) {
        return;
    }
    m_editRow = row;
    const QRect cell = m_grid->visualRect(m_model->index(row, RotaModel::kNameColumn));
    m_box->setGeometry(QRect(m_grid->viewport()->mapTo(this, cell.topLeft()), cell.size()));
    m_box->setText(text);
    m_box->selectAll();
    m_box->show();
    m_box->raise();
    m_box->setFocus();
}

void RoutineTab::commitEdit()
{
    if (m_editRow >= 0 && m_editRow < m_model->rowCount()) {
        m_model->setName(m_editRow, m_box->text());
    }
}

void RoutineTab::hideBox()
{
    m_box->hide();
    m_box->clear();
    m_editRow = -1;
}

void RoutineTab::leaveCell(const QModelIndex& previous)
{
    if (!m_box->isVisible() || previous.row() != m_editRow) {
        return;
    }
    commitEdit();
    const int edited = m_editRow;
    hideBox();
    setTopRow(rotaTopAfterLeaving(m_model->rowCount(), edited + 1, topRow()));
}

void RoutineTab::enterWalk()
{
    const RotaScroll to = rotaEnterWalk(m_model->rowCount(), {currentRow() + 1, topRow()});
    setTopRow(to.top);
    makeCurrent(to.current - 1);
}

void RoutineTab::makeCurrent(int row)
{
    m_grid->selectionModel()->setCurrentIndex(
        m_model->index(row, RotaModel::kNameColumn), QItemSelectionModel::ClearAndSelect);
}

int RoutineTab::currentRow() const
{
    return m_grid->currentIndex().row();
}

int RoutineTab::topRow() const
{
    return m_grid->verticalScrollBar()->value() + 1;
}

void RoutineTab::setTopRow(int row)
{
    m_grid->verticalScrollBar()->setValue(row - 1);
}

void RoutineTab::fitWidth()
{
    m_grid->setFixedWidth(px(rotaGridWidthTwips(m_model->rowCount())));
}

} // namespace kvx
