#include "calendar/CalendarWindow.h"

#include "calendar/AlarmListPane.h"
#include "calendar/CalendarListModel.h"
#include "calendar/DigitClock.h"
#include "calendar/MemoTabs.h"
#include "calendar/MonthPane.h"
#include "calendar/Placement.h"
#include "schedule/EditorDraft.h"
#include "schedule/Timetable.h"
#include "ui/SaveProblem.h"
#include "ui/TimetableView.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>

#include <algorithm>

namespace kvx {

namespace {

constexpr int kWindowWidth = 10920;
constexpr int kWindowHeight = 8040;

constexpr Place kClock = {"Picture5", 6240, 0, 4555, 375};
constexpr Place kSplitter = {"Picture10", 6240, 3555, 4530, 120};
constexpr Place kMemoFrame = {"Label7", 6240, 3675, 4535, 2175};
constexpr Place kTimetable = {"Label5", 225, 6165, 10425, 1290};
constexpr Place kQuickFrame = {"Label11", 120, 7545, 2460, 390};
constexpr Place kQuickCombo = {"Combo1", 1635, 7590, 840, 315};
constexpr Place kOk = {"Command5", 8280, 7575, 2460, 360};
} // namespace

CalendarWindow::CalendarWindow(CalendarContext context, QWidget* parent)
    : QMainWindow(parent)
    , m_context(context)
    , m_quickTimer(m_context.clock.createTimer())
{
    setObjectName(QStringLiteral("Form0"));
    setWindowTitle(QStringLiteral("Kalvendorix"));
    setAccessibleName(QStringLiteral("カレンダー"));
    // An iCalendar file dropped on the window is read in.
    setAcceptDrops(true);
    auto* central = new QWidget(this);
    central->setFixedSize(px(kWindowWidth), px(kWindowHeight));
    setCentralWidget(central);
    m_month = new MonthPane(m_context, central);
    connect(m_month, &MonthPane::monthStepped, this, &CalendarWindow::stepMonth);
    connect(m_month, &MonthPane::todayClicked, this, [this] {
        goToToday();
        m_clock->setFocus();
    });
    connect(m_month, &MonthPane::cellClicked, this, &CalendarWindow::selectCell);
    connect(m_month, &MonthPane::cellDoubleClicked, this, [this](int cell) {
        selectCell(cell);
        requestNewAlarm();
    });
    m_clock = new DigitClock(
        m_context.clock, QString::fromStdString(m_context.settings.programDirectory()), central);
    m_clock->move(px(kClock.x), px(kClock.y));
    m_clock->setFocusPolicy(Qt::StrongFocus);
    m_lists = new AlarmListPane(m_context, central);
    connect(m_lists, &AlarmListPane::rowClicked, this, &CalendarWindow::rowClicked);
    connect(m_lists, &AlarmListPane::rowDoubleClicked, this, &CalendarWindow::editCurrentRow);
    connect(m_lists, &AlarmListPane::editRequested, this, &CalendarWindow::editCurrentRow);
    connect(m_lists, &AlarmListPane::deleteRequested, this, &CalendarWindow::deleteCurrentAlarm);
    connect(m_lists, &AlarmListPane::newRequested, this, &CalendarWindow::requestNewAlarm);
    m_splitter = placed(new QFrame(central), kSplitter, QStringLiteral("仕切り"));
    m_splitter->setCursor(Qt::SizeVerCursor);
    m_splitter->installEventFilter(this);
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
    m_lists->tabs()->setCurrentIndex(0);
    m_lists->fill();
    setCurrentRow(0);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // Its fixed size from now on, not from the first show: it is placed before that.
    layout()->activate();
}

CalendarWindow::~CalendarWindow() = default;

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
    auto* ok = placed(new QPushButton(QStringLiteral("OK"), central), kOk, QStringLiteral("ＯＫ（閉じる）"));
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
    connect(action(file, "m_file_export", QStringLiteral("iCalendar形式で書き出す...")), &QAction::triggered,
        this, &CalendarWindow::exportRequested);
    connect(action(file, "m_file_import", QStringLiteral("iCalendarを読み込む...")), &QAction::triggered,
        this, &CalendarWindow::importRequested);
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
}

namespace {

// The local iCalendar files a drag brings.
QStringList calendarFilesOf(const QMimeData* data)
{
    QStringList files;
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && path.endsWith(QStringLiteral(".ics"), Qt::CaseInsensitive)) {
            files << path;
        }
    }
    return files;
}

} // namespace

void CalendarWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!calendarFilesOf(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void CalendarWindow::dropEvent(QDropEvent* event)
{
    const QStringList files = calendarFilesOf(event->mimeData());
    if (files.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    for (const QString& file : files) {
        emit calendarFileDropped(file);
    }
}

void CalendarWindow::goToToday()
{
    const int cell = showDate(m_context.view.calendar, m_context.clock.nowOle(), m_month->weekStartsMonday());
    m_month->draw();
    selectCell(cell);
    // The keyboard's home: the clock, which takes the calendar's keys.
    m_clock->setFocus();
}

void CalendarWindow::showSelectedMonth()
{
    const int cell = showDate(
        m_context.view.calendar, m_context.view.calendar.selectedDate, m_month->weekStartsMonday());
    m_month->draw();
    selectCell(cell);
}

void CalendarWindow::selectCell(int cell)
{
    kvx::selectCell(m_context.view.calendar, m_month->layout(), cell);
    m_month->setSelectedCell(cell);
    if (tab() == CalendarTab::Day) {
        // The grid keeps its current row through the refill, as its click does.
        const int row = std::max(currentRow(), 0);
        m_lists->fill();
        setCurrentRow(row);
    }
    rowClicked();
}

void CalendarWindow::stepMonth(MonthStep step)
{
    const int cell = kvx::stepMonth(m_context.view.calendar, step, m_month->weekStartsMonday());
    m_month->draw();
    selectCell(cell);
    m_clock->setFocus();
}

CalendarTab CalendarWindow::tab() const
{
    return m_lists->tab();
}

CalendarListModel* CalendarWindow::listModel() const
{
    return m_lists->model();
}

int CalendarWindow::currentRow() const
{
    return m_lists->currentRow();
}

void CalendarWindow::setCurrentRow(int row)
{
    m_lists->setCurrentRow(row);
}

void CalendarWindow::rowClicked()
{
    const int alarm = m_lists->currentAlarm();
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
    const int alarm = m_lists->currentAlarm();
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
    const int alarm = listModel()->alarmIndex(row);
    if (alarm < 0 || m_context.sounding.alarmSounding()) {
        return;
    }
    m_context.view.selectedAlarm = -1;
    m_context.store.removeAlarms({alarm});
    saveNow();
    goToToday();
    const int kept = listModel()->alarmIndex(row) < 0 && row > 0 ? row - 1 : row;
    setCurrentRow(kept);
}

// After the store took a quick timer of this window's: the new alarm, the last
// of the table, is the current row.
void CalendarWindow::showAddedTimer()
{
    setCurrentRow(listModel()->rowOf(m_context.store.alarms().alarmCount - 1));
}

void CalendarWindow::reloadMemos()
{
    m_memoTabs->reload();
}

void CalendarWindow::refresh()
{
    m_lists->fill();
    m_month->draw();
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
    const int upper = twipsOf(m_lists->tabs()->height());
    const int lower = twipsOf(m_memoTabs->height());
    if (upper + twips <= kUpperTabMinimum || lower - twips <= kLowerTabMinimum) {
        return false;
    }
    const int d = px(twips);
    m_lists->grow(d);
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
