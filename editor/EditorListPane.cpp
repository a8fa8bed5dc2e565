#include "editor/EditorListPane.h"

#include "editor/AlarmListModel.h"
#include "platform/AppIcons.h"
#include "schedule/EditorDraft.h"
#include "ui/Controls.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kvx {

EditorListPane::EditorListPane(QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(new QLabel(QStringLiteral("アラームリスト")));
    auto* views = new QHBoxLayout;
    m_allView = named(new QRadioButton(QStringLiteral("一覧")), "Option1", QStringLiteral("一覧"));
    m_dayView = named(new QRadioButton(QStringLiteral("デイリー")), "Option2", QStringLiteral("デイリー"));
    views->addWidget(m_allView);
    views->addWidget(m_dayView);
    views->addStretch();
    column->addLayout(views);
    m_list = named(new QListView, "List1", QStringLiteral("アラームリスト"));
    m_model = new AlarmListModel(this);
    m_list->setModel(m_model);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setUniformItemSizes(true);
    QFont fixed(QStringLiteral("ＭＳ ゴシック"));
    fixed.setStyleHint(QFont::Monospace);
    fixed.setPointSize(10);
    m_list->setFont(fixed);
    m_list->setMinimumWidth(
        QFontMetrics(fixed).horizontalAdvance(QStringLiteral("■00:00 0000/00/00 毎週 日月火水木金土 ")) + 24);
    column->addWidget(m_list, 1);

    auto* frame = named(
        new QGroupBox(QStringLiteral("クイックタイマー")), "Frame2", QStringLiteral("クイックタイマー"));
    auto* buttons = new QHBoxLayout(frame);
    m_quickTimer = named(new QComboBox, "Combo2", QStringLiteral("クイックタイマーの分"));
    for (const int minutes : kQuickTimerMinutes) {
        m_quickTimer->addItem(QStringLiteral("%1分").arg(minutes));
    }
    m_quickTimer->setCurrentIndex(-1);
    buttons->addWidget(m_quickTimer);
    m_addButton
        = named(new QPushButton(QStringLiteral("アラーム追加")), "Command5", QStringLiteral("アラーム追加"));
    m_changeButton = named(new QPushButton, "Command6", QStringLiteral("アラーム変更"));
    m_changeButton->setIcon(buttonIcon(QStringLiteral("EDIT")));
    m_changeButton->setToolTip(QStringLiteral("アラーム変更"));
    m_deleteButton = named(new QPushButton, "Command7", QStringLiteral("アラーム削除"));
    m_deleteButton->setIcon(buttonIcon(QStringLiteral("DELETE")));
    m_deleteButton->setToolTip(QStringLiteral("アラーム削除"));
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_changeButton);
    buttons->addWidget(m_deleteButton);
    column->addWidget(frame);
    m_okButton = named(new QPushButton(QStringLiteral("ＯＫ")), "Command8", QStringLiteral("ＯＫ"));
    column->addWidget(m_okButton);

    // Keyboard and mouse alike. A click moves the current row before it
    // selects, the arrow keys select first: both signals are watched.
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
        &EditorListPane::currentRowChanged);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &EditorListPane::selectionChanged);
    connect(m_allView, &QRadioButton::clicked, this, [this] { emit viewChosen(false); });
    connect(m_dayView, &QRadioButton::clicked, this, [this] { emit viewChosen(true); });
    connect(m_quickTimer, &QComboBox::activated, this,
        [this](int index) { emit quickTimerChosen(kQuickTimerMinutes[static_cast<std::size_t>(index)]); });
    connect(m_addButton, &QPushButton::clicked, this, &EditorListPane::addClicked);
    connect(m_changeButton, &QPushButton::clicked, this, &EditorListPane::changeClicked);
    connect(m_deleteButton, &QPushButton::clicked, this, &EditorListPane::deleteClicked);
    connect(m_okButton, &QPushButton::clicked, this, &EditorListPane::okClicked);
}

bool EditorListPane::dayView() const
{
    return m_dayView->isChecked();
}

void EditorListPane::setDayView(bool dayView)
{
    (dayView ? m_dayView : m_allView)->setChecked(true);
    m_dayView->setStyleSheet(
        dayView ? QStringLiteral("QRadioButton { font-weight: bold; background: #ff0000; }") : QString());
}

void EditorListPane::selectRow(int row)
{
    const QModelIndex index = m_model->index(row);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_list->scrollTo(index);
}

void EditorListPane::refill(std::vector<EditorRow> rows)
{
    std::vector<int> alarms;
    for (const int row : selectedRows()) {
        alarms.push_back(m_model->alarmIndex(row));
    }
    m_model->setRows(std::move(rows));
    for (const int alarm : alarms) {
        const int row = m_model->rowOf(alarm);
        if (row >= 0) {
            m_list->selectionModel()->select(m_model->index(row), QItemSelectionModel::Select);
        }
    }
}

std::vector<int> EditorListPane::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

int EditorListPane::currentRow() const
{
    const QModelIndex current = m_list->currentIndex();
    return current.isValid() ? current.row() : -1;
}

} // namespace kvx
