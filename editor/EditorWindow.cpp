#include "editor/EditorWindow.h"

#include "editor/AlarmListModel.h"
#include "editor/EditorDataFile.h"
#include "editor/EditorListPane.h"
#include "editor/GeneralTab.h"
#include "editor/LinkTab.h"
#include "editor/MessageTab.h"
#include "editor/RoutineTab.h"
#include "editor/ScreenTab.h"
#include "editor/SoundTab.h"
#include "resident/SoundController.h"
#include "schedule/EditorInput.h"
#include "schedule/Timetable.h"
#include "ui/QtDates.h"
#include "ui/SaveProblem.h"
#include "ui/TimetableView.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QListView>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace kvx {

EditorWindow::EditorWindow(EditorContext context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
    , m_form(new EditorForm(m_context.store.window(), m_context.dialogs, m_context.prompter, m_context.sound,
          m_context.settings.programDirectory()))
    , m_listPane(new EditorListPane)
    , m_timetable(new TimetableView("HScroll3"))
    , m_dataFile(m_context, *m_form, *this)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kalvendorix"));
    setAccessibleName(QStringLiteral("アラームの編集"));
    // Month and weekday names in Japanese, whatever the desktop's language.
    setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    column->addLayout(row);
    row->addWidget(m_form);
    row->addWidget(m_listPane);
    column->addWidget(m_timetable);
    wireForm();
    connect(m_timetable, &TimetableView::scrolled, this, &EditorWindow::timetableScrolled);
    connect(m_listPane, &EditorListPane::currentRowChanged, this, [this] {
        m_rowToLoad = true;
        loadOnRowChange();
    });
    connect(m_listPane, &EditorListPane::selectionChanged, this, &EditorWindow::loadOnRowChange);
    connect(m_listPane, &EditorListPane::viewChosen, this, &EditorWindow::switchView);
    connect(m_listPane, &EditorListPane::quickTimerChosen, this, &EditorWindow::addQuickTimer);
    connect(m_listPane, &EditorListPane::addClicked, this, &EditorWindow::addAlarm);
    connect(m_listPane, &EditorListPane::changeClicked, this, &EditorWindow::changeAlarm);
    connect(m_listPane, &EditorListPane::deleteClicked, this, &EditorWindow::deleteAlarms);
    connect(m_listPane, &EditorListPane::okClicked, this, &EditorWindow::confirm);
    connect(&m_context.store, &AlarmStore::tablesChanged, this, &EditorWindow::refreshList);
    formLoad();
    setFixedSize(sizeHint());
    // Every save takes the position choice into "FORMFLAG".
    m_saveHook = m_context.store.saver().addHook(
        [this] { m_context.store.window().formPosition = m_form->screen()->formFlag(); });
}

EditorWindow::~EditorWindow()
{
    m_context.store.saver().removeHook(m_saveHook);
}

void EditorWindow::wireForm()
{
    GeneralTab* general = m_form->general();
    SoundTab* sound = m_form->soundTab();
    connect(general, &GeneralTab::resetPressed, this, &EditorWindow::resetFields);
    connect(general, &GeneralTab::dateClicked, this, &EditorWindow::dateClicked);
    connect(general, &GeneralTab::weekStartToggled, this, [this] {
        if (listModel()->rowCount() > 0) {
            fillList();
        }
    });
    connect(sound, &SoundTab::devicesChosen, this, [this](const QString& midi, const QString& wave) {
        if (!m_formLoading) {
            emit soundDevicesChosen(midi, wave);
        }
    });
    connect(sound, &SoundTab::sliderMoved, this, [this](bool midi, int value) {
        m_context.sound.sliderMoved(midi ? VolumeDevices::Kind::Midi : VolumeDevices::Kind::Wave, value,
            m_context.sounding.alarmSounding());
    });
    connect(
        m_form->routine(), &RoutineTab::doneEditing, this, [this] { m_listPane->okButton()->setFocus(); });
    connect(m_form->screen(), &ScreenTab::dataPathChosen, this,
        [this](const QString& path) { m_dataFile.switchTo(path); });
    connect(
        m_form->screen(), &ScreenTab::calendarPlacementChosen, this, &EditorWindow::calendarPlacementChosen);
    connect(m_form->screen(), &ScreenTab::wakeUpToggled, this, &EditorWindow::wakeUpChosen);
    connect(m_form, &EditorForm::previewClosed, this, &EditorWindow::previewClosed);
}

void EditorWindow::refuseWakeUp(const QString& why)
{
    m_form->screen()->refuseWakeUp(why);
}

void EditorWindow::formLoad()
{
    m_formLoading = true;
    const AlarmDefaults& defaults = m_context.store.tables().defaults;
    emit soundDevicesNeeded(this);
    m_form->messageTab()->setWarnPastTime(defaults.warnPastTime != 0);
    m_form->screen()->load(QString::fromStdString(m_context.settings.dataPath()));
    m_form->link()->load();
    const bool dayView = defaults.listMode == kListDay;
    m_listPane->setDayView(dayView);
    switchView(dayView);
    m_form->soundTab()->fillDevices(
        QString::fromStdString(defaults.midiDevice), QString::fromStdString(defaults.waveDevice));
    applyDefaults();
    m_form->routine()->load(m_context.store.tables().routines, m_context.clock.nowOle().day());
    fillList();
    m_formLoading = false;
}

void EditorWindow::applyDefaults()
{
    const OleDate now = m_context.clock.nowOle();
    showNewAlarmFields(newAlarmDraft(m_context.store.tables().defaults, now, now));
}

// The fields of a new alarm; the sliders show the volumes the devices had at start.
void EditorWindow::showNewAlarmFields(EditorDraft draft)
{
    list()->clearSelection();
    m_form->general()->setDate(qDateOf(draft.calendarDate));
    m_form->general()->setWeekStartsMonday(draft.weekStartsMonday);
    draft.midiVolume = static_cast<std::int32_t>(m_context.sound.savedMidiVolume());
    draft.waveVolume = static_cast<std::int32_t>(m_context.sound.savedWaveVolume());
    m_form->load(draft);
    m_form->general()->setWeeklyIndex(draft.weeklyIndex);
}

void EditorWindow::startNewAlarm(const NewAlarmPreparation& preparation)
{
    const bool dayView = preparation.view == EditorView::Day;
    m_listPane->setDayView(dayView);
    showNewAlarmFields(preparation.draft);
    m_context.view.editorSelectedAlarm = preparation.selectedAlarm;
    switchView(dayView);
}

void EditorWindow::openAlarm(EditorView view, int alarmIndex, Tab tab)
{
    const bool dayView = view == EditorView::Day;
    m_listPane->setDayView(dayView);
    list()->clearSelection();
    m_form->general()->setDate(qDateOf(m_context.view.calendar.selectedDate));
    m_context.view.editorSelectedAlarm = -1;
    switchView(dayView);
    const int row = listModel()->rowOf(alarmIndex);
    if (alarmIndex >= 0 && row >= 0) {
        m_listPane->selectRow(row);
    }
    m_form->setCurrentIndex(tab);
}

void EditorWindow::open()
{
    // A keyboard user starts at the list of alarms, unless a field was chosen.
    if (focusWidget() == nullptr) {
        list()->setFocus();
    }
    show();
    raise();
    activateWindow();
}

void EditorWindow::showEvent(QShowEvent* event)
{
    fillList();
    redrawTimetable();
    QWidget::showEvent(event);
}

void EditorWindow::changeEvent(QEvent* event)
{
    // The calendar window may have chosen another day meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        redrawTimetable();
    }
    QWidget::changeEvent(event);
}

AlarmListModel* EditorWindow::listModel() const
{
    return m_listPane->model();
}

QListView* EditorWindow::list() const
{
    return m_listPane->list();
}

// The tables changed: the list is filled anew with the same alarms selected.
void EditorWindow::refreshList()
{
    const int selected = m_context.view.editorSelectedAlarm;
    m_listPane->refill(listRows());
    m_context.view.editorSelectedAlarm = selected;
    redrawTimetable();
}

void EditorWindow::fillList()
{
    listModel()->setRows(listRows());
}

std::vector<EditorRow> EditorWindow::listRows()
{
    OleDate nextRingAt;
    const EditorView view = m_listPane->dayView() ? EditorView::Day : EditorView::AllAlarms;
    const AlarmStore& store = m_context.store;
    return editorListRows(store.alarms(), store.order(), view, oleOf(m_form->general()->date()),
        m_context.clock.nowOle(), m_form->general()->weekStartsMonday(), nextRingAt, m_dayRowMap);
}

std::int16_t EditorWindow::listMode() const
{
    return m_listPane->dayView() ? kListDay : kListAll;
}

RotaDraft EditorWindow::shownRota() const
{
    return m_form->routine()->current();
}

// Once per change of the current row, and only while it is the one selected row.
void EditorWindow::loadOnRowChange()
{
    const int current = m_listPane->currentRow();
    if (!m_rowToLoad || current < 0 || m_listPane->selectedRows() != std::vector<int>{current}) {
        return;
    }
    m_rowToLoad = false;
    loadSelectedAlarm();
}

void EditorWindow::loadSelectedAlarm()
{
    const int current = m_listPane->currentRow();
    if (current < 0) {
        return;
    }
    const int index = listModel()->alarmIndex(current);
    m_context.view.editorSelectedAlarm = index;
    const AlarmRecord& record = m_context.store.alarms().alarms[static_cast<std::size_t>(index)];
    GeneralTab* general = m_form->general();
    m_form->load(draftFromRecord(record, oleOf(general->date()), general->weekStartsMonday()));
    m_context.view.calendar.selectDate(oleOf(general->date()));
    m_timetable->setScrollValue(scrollToAlarm(record.startTime));
    redrawTimetable();
}

void EditorWindow::addAlarm()
{
    if (m_form->general()->choice() == KindChoice::Quick) {
        warn(QString::fromUtf8(kQuickAddMessage));
        return;
    }
    const AlarmTable& table = m_context.store.alarms();
    if (table.alarmCount >= AlarmTable::kMaxAlarms) {
        warn(QString::fromUtf8(kTableFullMessage));
        return;
    }
    const std::optional<AlarmRecord> record
        = m_form->checkedRecord(AlarmRecord{}, false, m_context.clock.nowOle());
    if (!record) {
        return;
    }
    m_form->remember(m_context.store.defaults(), table.alarmCount, *record, draft(), listMode());
    const int index = m_context.store.addAlarm(*record);
    const int row = listModel()->rowOf(index);
    if (row >= 0) {
        m_listPane->selectRow(row);
    }
}

void EditorWindow::changeAlarm()
{
    if (m_context.sounding.alarmSounding()) {
        return;
    }
    const std::vector<int> rows = m_listPane->selectedRows();
    if (rows.size() != 1) {
        warn(QString::fromUtf8(kSelectOneMessage));
        return;
    }
    if (m_form->general()->choice() == KindChoice::Quick) {
        warn(QString::fromUtf8(kQuickChangeMessage));
        return;
    }
    const int index = listModel()->alarmIndex(rows.front());
    const std::optional<AlarmRecord> record = m_form->checkedRecord(
        m_context.store.alarms().alarms[static_cast<std::size_t>(index)], true, m_context.clock.nowOle());
    if (!record) {
        return;
    }
    m_form->remember(m_context.store.defaults(), index, *record, draft(), listMode());
    m_context.view.editorSelectedAlarm = index;
    m_context.store.changeAlarm(index, *record);
    int row = listModel()->rowOf(index);
    if (row < 0 && m_listPane->dayView()) {
        m_listPane->setDayView(false);
        switchView(false);
        row = listModel()->rowOf(index);
    }
    if (row >= 0) {
        m_listPane->selectRow(row);
    }
}

void EditorWindow::deleteAlarms()
{
    const std::vector<int> rows = m_listPane->selectedRows();
    if (rows.empty() || m_context.sounding.alarmSounding()) {
        return;
    }
    std::vector<int> doomed;
    doomed.reserve(rows.size());
    for (const int row : rows) {
        doomed.push_back(listModel()->alarmIndex(row));
    }
    // The indexes after the deleted ones move: no alarm stays chosen.
    m_context.view.editorSelectedAlarm = -1;
    list()->clearSelection();
    m_context.store.removeAlarms(doomed);
    applyDefaults();
}

void EditorWindow::resetFields()
{
    applyDefaults();
    fillList();
    focusList();
    m_context.view.editorSelectedAlarm = -1;
    redrawTimetable();
}

void EditorWindow::confirm()
{
    ScreenTab* screen = m_form->screen();
    if (const std::optional<QString> typed = screen->enteredDataPath();
        typed && !m_dataFile.switchTo(*typed)) {
        return;
    }
    RoutineList routines = m_context.store.tables().routines;
    m_form->routine()->storeInto(routines);
    m_context.store.setRoutines(routines);
    const SaveResult result = m_context.store.save(m_context.clock.nowOle());
    if (!result.ok()) {
        // The edits stay in memory and the window stays open: nothing is lost.
        warn(saveFailureText(result, m_context.store.dataFile(), m_context.settings));
        return;
    }
    m_context.view.editorSelectedAlarm = -1;
    m_context.sound.stopTestSound();
    screen->forgetPosition();
    m_form->setCurrentWidget(m_form->general());
    hide();
    emit confirmed();
}

AlarmRecord EditorWindow::quickTimerFromFields(int minutes) const
{
    return m_form->quickTimer(minutes, m_context.clock.nowOle());
}

void EditorWindow::addQuickTimer(int minutes)
{
    const AlarmStore::QuickTimer added = m_context.store.addQuickTimer(
        quickTimerFromFields(minutes), m_context.clock.nowOle(), AlarmStore::QuickSave::Later);
    if (added.index >= 0) {
        m_context.store.defaults().lastSavedIndex = static_cast<std::int16_t>(added.index);
    }
}

void EditorWindow::dateClicked(const QDate& date)
{
    if (!m_listPane->dayView()) {
        m_listPane->addButton()->setFocus();
        return;
    }
    m_context.view.editorSelectedAlarm = -1;
    m_form->general()->setDayOfMonth(date.day());
    m_form->general()->tickDateWeekday();
    fillList();
    redrawTimetable();
    focusList();
}

void EditorWindow::switchView(bool dayView)
{
    m_listPane->setDayView(dayView);
    fillList();
    const int row = listModel()->rowOf(m_context.view.editorSelectedAlarm);
    if (row >= 0 && !m_formLoading) {
        m_listPane->selectRow(row);
    }
    redrawTimetable();
    focusList();
}

void EditorWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    m_context.view.editorSelectedAlarm = -1;
    m_form->setCurrentWidget(m_form->general());
    m_form->screen()->restorePosition();
    if (m_context.store.modified()) {
        if (!m_context.prompter.question(QString::fromUtf8(kDiscardQuestion), this)) {
            return;
        }
        m_dataFile.reload(AlarmStore::Memos::Keep);
    }
    m_context.sound.stopTestSound();
    hide();
    emit closedByUser();
}

void EditorWindow::focusList()
{
    if (isVisible()) {
        list()->setFocus();
    }
}

void EditorWindow::warn(const QString& text)
{
    m_context.prompter.message(text, this);
}

// The daily view frames the bar of the alarm loaded into the fields, the list
// view the bar of the list's current row.
void EditorWindow::redrawTimetable()
{
    TimetableLayout layout = layoutTimetable(m_context.store.alarms(), m_context.store.order(),
        m_context.view.calendar.selectedDate, m_timetable->scrollValue());
    const int framed = layout.barOfSelected(m_listPane->dayView() ? kListDay : kListAll,
        m_context.view.editorSelectedAlarm, m_listPane->currentRow());
    m_timetable->showLayout(std::move(layout), framed);
}

void EditorWindow::timetableScrolled()
{
    redrawTimetable();
    focusList();
}

} // namespace kvx
