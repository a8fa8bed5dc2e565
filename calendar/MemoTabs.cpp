#include "calendar/MemoTabs.h"

#include "calendar/MemoEditor.h"
#include "calendar/MemoListModel.h"
#include "core/Cp932.h"
#include "core/WholeFile.h"
#include "schedule/Memos.h"
#include "ui/Controls.h"
#include "ui/Twips.h"

#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace kvx {

namespace {

QString categoryName(int category)
{
    const std::string_view name = kMemoCategoryNames.at(static_cast<std::size_t>(category));
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace

MemoTabs::MemoTabs(CalendarContext& context, QWidget* parent)
    : QTabWidget(parent)
    , m_context(context)
    , m_runDrag([](QMimeData* data, QWidget* source) {
        auto* drag = new QDrag(source);
        drag->setMimeData(data);
        return drag->exec(Qt::CopyAction, Qt::CopyAction);
    })
{
    named(this, "SSTab2", QStringLiteral("メモの種類"));
    m_context.store.changeMemos(ensureMinimumMemos);
    for (int c = 0; c < static_cast<int>(m_grids.size()); ++c) {
        m_models[static_cast<std::size_t>(c)] = new MemoListModel(m_context.store, c, this);
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(px(30), px(30), px(30), px(30));
        layout->addWidget(m_grids[static_cast<std::size_t>(c)] = buildGrid(c));
        addTab(page, categoryName(c));
    }
    buildMenu();
    setCurrentRow(0);
    connect(this, &QTabWidget::currentChanged, this, [this] {
        if (currentRow() < 0) {
            setCurrentRow(0);
        }
    });
}

MemoTabs::~MemoTabs() = default;

QTableView* MemoTabs::buildGrid(int category)
{
    auto* grid = new QTableView;
    grid->setObjectName(QStringLiteral("MSGrid2_%1").arg(category));
    grid->setAccessibleName(categoryName(category) + QStringLiteral("の一覧"));
    grid->setModel(model(category));
    QPalette palette = grid->palette();
    palette.setColor(QPalette::Base, QColor(255, 255, 206));
    grid->setPalette(palette);
    QFont font = grid->font();
    font.setPointSize(10);
    grid->setFont(font);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->setMinimumSectionSize(px(240));
    grid->verticalHeader()->setDefaultSectionSize(px(240));
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    grid->setAcceptDrops(true);
    grid->viewport()->setAcceptDrops(true);
    grid->viewport()->installEventFilter(this);
    // Enter edits the current memo, as a double click does.
    grid->installEventFilter(this);
    connect(grid, &QTableView::doubleClicked, this, &MemoTabs::editMemo);
    connect(grid, &QTableView::customContextMenuRequested, this,
        [this, grid](const QPoint& at) { m_menu->popup(grid->viewport()->mapToGlobal(at)); });
    return grid;
}

void MemoTabs::buildMenu()
{
    m_menu = new QMenu(QStringLiteral("グリッド２右メニュー"), this);
    m_menu->setObjectName(QStringLiteral("m_grid2_right"));
    auto action = [this](const char* name, const QString& caption, void (MemoTabs::*slot)()) {
        auto* item = m_menu->addAction(caption);
        item->setObjectName(QLatin1String(name));
        connect(item, &QAction::triggered, this, slot);
    };
    action("m_grid2_edit", QStringLiteral("編集"), &MemoTabs::editMemo);
    auto* peelItem = m_menu->addAction(QStringLiteral("削除"));
    peelItem->setObjectName(QStringLiteral("m_grid2_delete"));
    connect(peelItem, &QAction::triggered, this, &MemoTabs::peelCurrent);
    action("m_grid2_new", QStringLiteral("新規作成"), &MemoTabs::newMemo);
    m_menu->addSeparator()->setObjectName(QStringLiteral("m_grid2_sp"));
    action("m_grid2_null", QStringLiteral("空行削除"), &MemoTabs::closeUpEmptyRows);
    action("m_grid2_nuura", QStringLiteral("付箋紙ヌーラへ"), &MemoTabs::sendToNotes);
}

void MemoTabs::reload()
{
    m_context.store.changeMemos(ensureMinimumMemos);
    for (MemoListModel* list : m_models) {
        list->reload();
    }
    setCurrentRow(0);
}

int MemoTabs::currentRow() const
{
    const QModelIndex index = grid(currentIndex())->currentIndex();
    return index.isValid() ? index.row() : -1;
}

void MemoTabs::setCurrentRow(int row)
{
    QTableView* view = grid(currentIndex());
    if (row >= 0 && row < view->model()->rowCount()) {
        view->setCurrentIndex(view->model()->index(row, 0));
    }
}

void MemoTabs::showRowAtTop(int category, int row, bool onlyWhenHidden)
{
    QTableView* view = grid(category);
    const QModelIndex index = view->model()->index(row, 0);
    view->setCurrentIndex(index);
    if (!onlyWhenHidden || !view->viewport()->rect().contains(view->visualRect(index))) {
        view->scrollTo(index, QAbstractItemView::PositionAtTop);
    }
}

void MemoTabs::newMemo()
{
    const int category = currentIndex();
    const int row = model(category)->appendRow();
    showRowAtTop(category, row, false);
    openEditor(category, row);
}

void MemoTabs::editMemo()
{
    const int row = currentRow();
    if (row >= 0) {
        openEditor(currentIndex(), row);
    }
}

void MemoTabs::openEditor(int category, int row)
{
    MemoListModel* list = model(category);
    auto* editor = new MemoEditor(
        categoryName(category), QPersistentModelIndex(list->index(row, 0)), list->text(row), window());
    connect(editor, &MemoEditor::confirmed, this,
        [this, category](const QPersistentModelIndex& memo, const QString& text) {
            MemoListModel* target = model(category);
            // The memo was peeled off meanwhile: the text becomes a new memo.
            const int row = memo.isValid() ? memo.row() : target->appendRow();
            target->setText(row, text);
        });
    editor->show();
    editor->raise();
    editor->activateWindow();
}

bool MemoTabs::peelCurrent()
{
    return peel(currentIndex(), currentRow());
}

bool MemoTabs::peel(int category, int row)
{
    MemoListModel* list = model(category);
    if (row < 0 || row >= list->rowCount()) {
        return false;
    }
    const std::string entry = peelLogEntry(category, list->text(row).toStdString(), m_context.clock.nowOle());
    const std::string log = m_context.settings.logFile();
    std::string reason;
    if (!appendToFile(log, toCp932(entry), &reason)) {
        m_context.prompter.message(
            QStringLiteral("ログファイルに書き込めませんでした。メモは削除していません。\n%1\n%2")
                .arg(QString::fromStdString(log), QString::fromStdString(reason)),
            window());
        return false;
    }
    list->peel(row);
    return true;
}

void MemoTabs::closeUpEmptyRows()
{
    model(currentIndex())->closeUp();
}

void MemoTabs::sendToNotes()
{
    const std::optional<std::uint16_t> port = memoPort(m_context.store.tables().window.portNumber);
    const int category = currentIndex();
    const int row = currentRow();
    if (!port || row < 0) {
        return;
    }
    const std::string datagram = toCp932(memoDatagram(model(category)->text(row).toStdString()));
    const QString problem = m_context.datagrams.sendToLocalHost(
        *port, QByteArray(datagram.data(), static_cast<qsizetype>(datagram.size())));
    if (!problem.isEmpty()) {
        m_context.prompter.message(
            QStringLiteral(
                "付箋紙ヌーラへメモを送れませんでした。メモは削除していません。\nポート番号：%1\n%2")
                .arg(*port)
                .arg(problem),
            window());
        return;
    }
    if (m_context.store.tables().window.copyAction == 2) {
        peel(category, row);
    }
}

void MemoTabs::dropText(int category, const QString& text)
{
    showRowAtTop(category, model(category)->drop(text), true);
}

void MemoTabs::startDrag(int category)
{
    const int row = grid(category)->currentIndex().row();
    if (row < 0) {
        return;
    }
    auto* data = new QMimeData;
    data->setText(model(category)->text(row));
    const Qt::DropAction result = m_runDrag(data, grid(category));
    // Only a drag that was taken peels its memo off: a cancelled one leaves it.
    if (result == Qt::CopyAction && m_context.store.tables().window.copyAction == 2) {
        peel(category, row);
    }
}

bool MemoTabs::eventFilter(QObject* watched, QEvent* event)
{
    // The grids are built one after the other: a filter event can come before the last exists.
    const auto isGrid = [&watched](QTableView* view) { return view != nullptr && watched == view; };
    if (event->type() == QEvent::KeyPress && std::any_of(m_grids.begin(), m_grids.end(), isGrid)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            editMemo();
            return true;
        }
    }
    auto* const viewport = std::find_if(m_grids.begin(), m_grids.end(),
        [&watched](QTableView* view) { return view != nullptr && watched == view->viewport(); });
    const int category = viewport == m_grids.end() ? -1 : static_cast<int>(viewport - m_grids.begin());
    if (category < 0) {
        return QTabWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        QTableView* view = grid(category);
        const QModelIndex index = view->indexAt(mouse->position().toPoint());
        if (index.isValid()) {
            view->setCurrentIndex(index);
        }
        if (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ShiftModifier) != 0) {
            startDrag(category);
            return true;
        }
        return false;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!drag->mimeData()->hasText()) {
            return false;
        }
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasText()) {
            return false;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        dropText(category, drop->mimeData()->text());
        return true;
    }
    default:
        return false;
    }
}

} // namespace kvx
