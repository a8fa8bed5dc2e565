#include "calendar/CalendarWindow.h"

#include "calendar/ButtonFace.h"
#include "calendar/CalendarListModel.h"
#include "calendar/DigitClock.h"
#include "calendar/MemoTabs.h"
#include "calendar/MonthGridView.h"
#include "schedule/DayLister.h"
#include "schedule/EditorDraft.h"
#include "schedule/Timetable.h"
#include "ui/Controls.h"
#include "ui/SaveProblem.h"
#include "ui/TimetableView.h"
#include "ui/Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace kvx {

namespace {

struct Place {
    const char* name;
    int x, y, width, height;
};

constexpr int kWindowWidth = 10920;
constexpr int kWindowHeight = 8040;

// The navigation row: year back, month back, month forward, year forward.
constexpr std::array<Place, 4> kNavigation = {{
    {"Command1_0", 127, 0, 375, 375},
    {"Command1_1", 517, 0, 375, 375},
    {"Command1_2", 5292, 0, 375, 375},
    {"Command1_3", 5682, 0, 375, 375},
}};
constexpr Place kTitle = {"Command2", 907, 0, 4380, 375};
constexpr std::array<int, 7> kWeekdayOffsets = {140, 160, 170, 180, 180, 200, 220};
constexpr std::array<int, 7> kWeekdayWidths = {835, 835, 845, 845, 855, 855, 845};
constexpr int kWeekdayTop = 390;
constexpr int kWeekdayHeight = 300;
constexpr Place kGrid = {"RichTextBox1", 120, 705, 870 * 7, 855 * 6};
constexpr Place kClock = {"Picture5", 6240, 0, 4555, 375};
constexpr Place kListFrame = {"Label8", 6240, 375, 4550, 3180};
constexpr Place kSplitter = {"Picture10", 6240, 3555, 4530, 120};
constexpr Place kMemoFrame = {"Label7", 6240, 3675, 4535, 2175};
constexpr Place kTimetable = {"Label5", 225, 6165, 10425, 1290};
constexpr Place kQuickFrame = {"Label11", 120, 7545, 2460, 390};
constexpr Place kQuickCombo = {"Combo1", 1635, 7590, 840, 315};
constexpr Place kOk = {"Command5", 8280, 7575, 2460, 360};
// The tabs inside their frames leave room for the frame's caption.
constexpr int kTabInset = 60;
constexpr int kTabTop = 240;
constexpr int kGridWidth = 4163;
constexpr std::array<int, 4> kColumnWidths = {300, 700, 700, 700};

template <class Widget> Widget* placed(Widget* widget, const Place& place, const QString& accessible)
{
    named(widget, place.name, accessible);
    widget->setGeometry(twipsRect(place.x, place.y, place.width, place.height));
    return widget;
}

QRect tabRect(const Place& frame)
{
    return twipsRect(kTabInset, kTabTop, frame.width - 2 * kTabInset, frame.height - kTabTop - kTabInset);
}

} // namespace

CalendarWindow::CalendarWindow(CalendarContext context, QWidget* parent)
    : QMainWindow(parent)
    , m_context(std::move(context))
    , m_quickTimer(m_context.clock.createTimer())
{
    setObjectName(QStringLiteral("Form0"));
    setWindowTitle(QStringLiteral("Kalvendorix"));
    setAccessibleName(QStringLiteral("カレンダー"));
    auto* central = new QWidget(this);
    central->setFixedSize(px(kWindowWidth), px(kWindowHeight));
    setCentralWidget(central);
    buildCalendar(central);
    buildLists(central);
    buildMemos(central);
    buildBottom(central);
    buildMenus();
    m_quickTimer->setSingleShot(true);
    m_quickTimer->onTimeout = [this] {
        m_quickTimer->stop();
        emit quickTimerRequested(
            kQuickTimerMinutes[static_cast<std::size_t>(std::max(0, m_quick->currentIndex()))]);
    };
    connect(&m_context.store, &AlarmStore::tablesChanged, this, &CalendarWindow::refresh);
    connect(&m_context.store, &AlarmStore::memosReplaced, this, &CalendarWindow::reloadMemos);
    goToToday();
    m_listTabs->setCurrentIndex(0);
    fillList();
    setCurrentRow(0);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

CalendarWindow::~CalendarWindow() = default;

void CalendarWindow::buildCalendar(QWidget* central)
{
    for (std::size_t i = 0; i < m_navigation.size(); ++i) {
        static const std::array<QString, 4> kNames = {QStringLiteral("前の年"), QStringLiteral("前の月"),
            QStringLiteral("次の月"), QStringLiteral("次の年")};
        QPushButton* button = placed(new QPushButton(central), kNavigation[i], kNames[i]);
        button->setIcon(paintTriangleFace(button->size() - QSize(6, 6), i < 2, i == 0 || i == 3,
            button->palette().color(QPalette::Button)));
        button->setIconSize(button->size() - QSize(6, 6));
        connect(button, &QPushButton::clicked, this, [this, i] { stepMonth(static_cast<MonthStep>(i)); });
        m_navigation[i] = button;
    }
    m_title = placed(new QPushButton(central), kTitle, QStringLiteral("今日へ"));
    connect(m_title, &QPushButton::clicked, this, [this] {
        goToToday();
        m_clock->setFocus();
    });
    for (std::size_t i = 0; i < m_weekdays.size(); ++i) {
        auto* button = new QPushButton(central);
        button->setObjectName(QStringLiteral("CButton1_%1").arg(i));
        button->setGeometry(twipsRect(
            static_cast<int>(i) * 835 + kWeekdayOffsets[i], kWeekdayTop, kWeekdayWidths[i], kWeekdayHeight));
        button->setFocusPolicy(Qt::NoFocus);
        m_weekdays[i] = button;
    }
    m_grid = placed(new MonthGridView(central), kGrid, QStringLiteral("カレンダー"));
    connect(m_grid, &MonthGridView::cellClicked, this, &CalendarWindow::selectCell);
    connect(m_grid, &MonthGridView::cellDoubleClicked, this, [this](int cell) {
        selectCell(cell);
        requestNewAlarm();
    });
    m_clock = new DigitClock(
        m_context.clock, QString::fromStdString(m_context.settings.programDirectory()), central);
    m_clock->move(px(kClock.x), px(kClock.y));
    m_clock->setFocusPolicy(Qt::StrongFocus);
}

QTableView* CalendarWindow::buildGrid(QWidget* page, int index)
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
    connect(grid, &QTableView::clicked, this, &CalendarWindow::rowClicked);
    connect(grid, &QTableView::doubleClicked, this, &CalendarWindow::editCurrentRow);
    connect(grid, &QTableView::customContextMenuRequested, this, [this, grid](const QPoint& at) {
        const QModelIndex index = grid->indexAt(at);
        if (index.isValid()) {
            setCurrentRow(index.row());
        }
        m_listMenu->popup(grid->viewport()->mapToGlobal(at));
    });
    return grid;
}

void CalendarWindow::buildLists(QWidget* central)
{
    m_model = new CalendarListModel(this);
    m_listFrame
        = placed(new QGroupBox(QStringLiteral("リスト"), central), kListFrame, QStringLiteral("リスト"));
    m_listTabs = named(new QTabWidget(m_listFrame), "SSTab1", QStringLiteral("アラームリスト"));
    m_listTabs->setGeometry(tabRect(kListFrame));
    for (int i = 0; i < 2; ++i) {
        auto* page = new QWidget;
        m_lists[static_cast<std::size_t>(i)] = buildGrid(page, i);
        m_listTabs->addTab(page, i == 0 ? QStringLiteral("一覧") : QStringLiteral("デイリー"));
    }
    connect(m_listTabs, &QTabWidget::currentChanged, this, &CalendarWindow::tabChanged);
    m_splitter = placed(new QFrame(central), kSplitter, QStringLiteral("仕切り"));
    m_splitter->setCursor(Qt::SizeVerCursor);
    m_splitter->installEventFilter(this);
}

void CalendarWindow::buildMemos(QWidget* central)
{
    m_memoFrame = placed(new QGroupBox(QStringLiteral("メモ"), central), kMemoFrame, QStringLiteral("メモ"));
    m_memoTabs = new MemoTabs(m_context, m_memoFrame);
    m_memoTabs->setGeometry(tabRect(kMemoFrame));
    m_timetable
        = placed(new TimetableView("HScroll1", central), kTimetable, QStringLiteral("タイムテーブル"));
    connect(m_timetable, &TimetableView::scrolled, this, &CalendarWindow::timetableScrolled);
}

void CalendarWindow::buildBottom(QWidget* central)
{
    auto* frame = placed(new QFrame(central), kQuickFrame, QStringLiteral("クイックタイマー"));
    frame->setFrameShape(QFrame::StyledPanel);
    auto* caption = named(
        new QLabel(QStringLiteral("クイックタイマー"), frame), "Label12", QStringLiteral("クイックタイマー"));
    caption->setGeometry(twipsRect(60, 45, 1400, 300));
    m_quick = placed(new QComboBox(central), kQuickCombo, QStringLiteral("クイックタイマー"));
    for (const int minutes : kQuickTimerMinutes) {
        m_quick->addItem(QStringLiteral("%1分").arg(minutes));
    }
    connect(m_quick, &QComboBox::activated, this, [this] {
        m_quickTimer->stop();
        m_quickTimer->start(100);
    });
    auto* ok = placed(new QPushButton(QStringLiteral("OK"), central), kOk, QStringLiteral("OK"));
    connect(ok, &QPushButton::clicked, this, &CalendarWindow::confirm);
}

void CalendarWindow::buildMenus()
{
    auto action = [](QWidget* owner, const char* name, const QString& caption) {
        auto* item = new QAction(caption, owner);
        item->setObjectName(QLatin1String(name));
        owner->addAction(item);
        return item;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル"));
    file->setObjectName(QStringLiteral("m_file"));
    connect(action(file, "m_file_new", QStringLiteral("新規作成")), &QAction::triggered, this,
        &CalendarWindow::requestNewAlarm);
    connect(action(file, "m_file_end", QStringLiteral("終了")), &QAction::triggered, this,
        &CalendarWindow::exitRequested);
    connect(action(menuBar(), "m_edit", QStringLiteral("編集")), &QAction::triggered, this,
        &CalendarWindow::editCurrentRow);
    connect(action(menuBar(), "m_option", QStringLiteral("オプション")), &QAction::triggered, this, [this] {
        const int alarm = alarmOfCurrentRow();
        hide();
        emit optionsRequested(alarm);
    });
    connect(action(menuBar(), "m_hlelp", QStringLiteral("バージョン")), &QAction::triggered, this,
        &CalendarWindow::aboutRequested);

    m_listMenu = new QMenu(QStringLiteral("グリッド１右メニュー"), this);
    m_listMenu->setObjectName(QStringLiteral("m_grid1_right"));
    connect(action(m_listMenu, "m_grid1_edit", QStringLiteral("編集")), &QAction::triggered, this,
        &CalendarWindow::editCurrentRow);
    connect(action(m_listMenu, "m_grid1_delete", QStringLiteral("削除")), &QAction::triggered, this,
        &CalendarWindow::deleteCurrentAlarm);
    connect(action(m_listMenu, "m_grid1_new", QStringLiteral("新規作成")), &QAction::triggered, this,
        &CalendarWindow::requestNewAlarm);
}

bool CalendarWindow::weekStartsMonday() const
{
    return m_context.store.tables().defaults.weekStartsMonday != 0;
}

void CalendarWindow::paintHeader()
{
    const auto names = weekdayHeader(weekStartsMonday());
    for (std::size_t i = 0; i < m_weekdays.size(); ++i) {
        QPushButton* button = m_weekdays[i];
        const CaptionPiece piece = weekdayPiece(names[i], button->size());
        button->setAccessibleName(QString::fromStdString(names[i].text));
        button->setIcon(paintButtonFace(button->size() - QSize(4, 4), std::span(&piece, 1),
            button->palette().color(QPalette::Button), false));
        button->setIconSize(button->size() - QSize(4, 4));
    }
}

// The header is painted with the cells: the week start may have changed.
void CalendarWindow::drawMonth()
{
    const CalendarState& state = m_context.view.calendar;
    m_layout = shownLayout(state, weekStartsMonday());
    paintHeader();
    const int widthOfTwo = textWidthTwips("2", "Tahoma", 14);
    const int widthOfW = textWidthTwips("W", "Tahoma", 14);
    const auto pieces = titlePieces(state.shownYear, state.shownMonth, widthOfTwo, widthOfW);
    m_title->setIcon(paintButtonFace(
        m_title->size() - QSize(6, 6), pieces, m_title->palette().color(QPalette::Button), false));
    m_title->setIconSize(m_title->size() - QSize(6, 6));
    m_title->setToolTip(
        QString::fromStdString(pieces[0].text + " " + pieces[1].text + "月 " + pieces[2].text));
    const AlarmStore& store = m_context.store;
    const DayLister lister(store.alarms(), store.order());
    m_grid->setCells(
        composeMonth(m_layout, store.alarms(), lister, store.tables().routines, m_context.clock.nowOle()));
}

void CalendarWindow::goToToday()
{
    const int cell = showDate(m_context.view.calendar, m_context.clock.nowOle(), weekStartsMonday());
    drawMonth();
    selectCell(cell);
}

void CalendarWindow::showSelectedMonth()
{
    const int cell
        = showDate(m_context.view.calendar, m_context.view.calendar.selectedDate, weekStartsMonday());
    drawMonth();
    selectCell(cell);
}

void CalendarWindow::selectCell(int cell)
{
    kvx::selectCell(m_context.view.calendar, m_layout, cell);
    m_grid->setSelectedCell(cell);
    if (tab() == CalendarTab::Day) {
        // The grid keeps its current row through the refill, as its click does.
        const int row = std::max(currentRow(), 0);
        fillList();
        setCurrentRow(row);
    }
    rowClicked();
}

void CalendarWindow::stepMonth(MonthStep step)
{
    const int cell = kvx::stepMonth(m_context.view.calendar, step, weekStartsMonday());
    drawMonth();
    selectCell(cell);
    m_clock->setFocus();
}

CalendarTab CalendarWindow::tab() const
{
    return m_listTabs->currentIndex() == 1 ? CalendarTab::Day : CalendarTab::AllAlarms;
}

QTableView* CalendarWindow::visibleGrid() const
{
    return m_lists[static_cast<std::size_t>(m_listTabs->currentIndex() == 1 ? 1 : 0)];
}

void CalendarWindow::fillList()
{
    OleDate ignored;
    m_model->setList(calendarListRows(m_context.store.alarms(), m_context.store.order(), tab(),
        m_context.view.calendar.selectedDate, m_context.clock.nowOle(), ignored, m_dayRowMap));
}

int CalendarWindow::currentRow() const
{
    const QModelIndex index = visibleGrid()->currentIndex();
    return index.isValid() ? index.row() : -1;
}

void CalendarWindow::setCurrentRow(int row)
{
    QTableView* grid = visibleGrid();
    if (row < 0 || row >= m_model->rowCount()) {
        return;
    }
    grid->setCurrentIndex(m_model->index(row, 1));
    grid->selectRow(row);
}

void CalendarWindow::tabChanged()
{
    m_tabBusy = true;
    fillList();
    const int row = m_model->rowOf(m_context.view.selectedAlarm);
    if (row >= 0) {
        setCurrentRow(row);
    }
    m_tabBusy = false;
}

void CalendarWindow::rowClicked()
{
    const int alarm = m_model->alarmIndex(currentRow());
    if (alarm >= 0) {
        m_context.view.selectedAlarm = alarm;
        // The scale moves so that the chosen alarm's start can be seen.
        m_timetable->setScrollValue(
            scrollToAlarm(m_context.store.alarms().alarms[static_cast<std::size_t>(alarm)].startTime));
    }
    redrawTimetable();
}

// The per-day list frames the bar of the chosen alarm, the list of all alarms
// the bar of its current row.
void CalendarWindow::redrawTimetable()
{
    TimetableLayout layout = layoutTimetable(m_context.store.alarms(), m_context.store.order(),
        m_context.view.calendar.selectedDate, m_timetable->scrollValue());
    const int framed = layout.barOfSelected(
        tab() == CalendarTab::Day ? kListDay : kListAll, m_context.view.selectedAlarm, currentRow());
    m_timetable->showLayout(std::move(layout), framed);
}

void CalendarWindow::timetableScrolled()
{
    redrawTimetable();
    if (isVisible()) {
        m_clock->setFocus();
    }
}

int CalendarWindow::alarmOfCurrentRow()
{
    const int alarm = m_model->alarmIndex(currentRow());
    if (alarm < 0 && m_context.store.alarms().alarmCount > 0) {
        m_context.prompter.message(QStringLiteral("アラームデータを選択してください"), this);
    }
    return alarm;
}

void CalendarWindow::editCurrentRow()
{
    const int alarm = alarmOfCurrentRow();
    if (alarm < 0) {
        return;
    }
    hide();
    emit editAlarmRequested(alarm);
}

void CalendarWindow::requestNewAlarm()
{
    hide();
    emit newAlarmRequested();
}

NewAlarmPreparation CalendarWindow::newAlarmPreparation() const
{
    return prepareNewAlarm(m_context.store.tables().defaults, m_context.view.calendar.selectedDate, tab(),
        m_context.clock.nowOle());
}

bool CalendarWindow::saveNow()
{
    const SaveResult result = m_context.store.save(m_context.clock.nowOle());
    if (result.ok()) {
        return true;
    }
    m_context.prompter.message(saveFailureText(result, m_context.store.dataFile(), m_context.settings), this);
    return false;
}

void CalendarWindow::deleteCurrentAlarm()
{
    const int row = currentRow();
    const int alarm = m_model->alarmIndex(row);
    if (alarm < 0 || m_context.sounding.alarmSounding()) {
        return;
    }
    m_context.view.selectedAlarm = -1;
    m_context.store.removeAlarms({alarm});
    saveNow();
    goToToday();
    const int kept = m_model->alarmIndex(row) < 0 && row > 0 ? row - 1 : row;
    setCurrentRow(kept);
}

// After the store took a quick timer of this window's: the new alarm, the last
// of the table, is the current row.
void CalendarWindow::showAddedTimer()
{
    setCurrentRow(m_model->rowOf(m_context.store.alarms().alarmCount - 1));
}

void CalendarWindow::reloadMemos()
{
    m_memoTabs->reload();
}

void CalendarWindow::refresh()
{
    fillList();
    drawMonth();
    redrawTimetable();
}

void CalendarWindow::confirm()
{
    if (saveNow()) {
        hide();
    }
}

bool CalendarWindow::moveSplitter(int twips)
{
    const int upper = twipsOf(m_listTabs->height());
    const int lower = twipsOf(m_memoTabs->height());
    if (upper + twips <= kUpperTabMinimum || lower - twips <= kLowerTabMinimum) {
        return false;
    }
    const int d = px(twips);
    m_listFrame->resize(m_listFrame->width(), m_listFrame->height() + d);
    m_listTabs->resize(m_listTabs->width(), m_listTabs->height() + d);
    m_memoFrame->setGeometry(m_memoFrame->geometry().adjusted(0, d, 0, 0));
    m_memoTabs->resize(m_memoTabs->width(), m_memoTabs->height() - d);
    m_splitter->move(m_splitter->x(), m_splitter->y() + d);
    return true;
}

bool CalendarWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_splitter) {
        return QMainWindow::eventFilter(watched, event);
    }
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (mouse == nullptr) {
        return false;
    }
    const int y = mouse->position().toPoint().y();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_splitDrag = true;
        m_pressY = y;
        return true;
    case QEvent::MouseMove:
        if (m_splitDrag && y != m_pressY) {
            // The bar moves with the pointer, so the press point stays under it.
            moveSplitter(twipsOf(y - m_pressY));
        }
        return true;
    case QEvent::MouseButtonRelease:
        m_splitDrag = false;
        return true;
    default:
        return false;
    }
}

void CalendarWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
}

} // namespace kvx
