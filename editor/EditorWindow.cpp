#include "editor/EditorWindow.h"

#include "editor/AlarmListModel.h"
#include "editor/GeneralTab.h"
#include "editor/LinkTab.h"
#include "editor/MessageTab.h"
#include "editor/RoutineTab.h"
#include "editor/ScreenTab.h"
#include "editor/SoundTab.h"
#include "platform/AppIcons.h"
#include "resident/NotificationWindow.h"
#include "resident/SoundController.h"
#include "schedule/EditorInput.h"
#include "schedule/NewAlarm.h"
#include "schedule/Timetable.h"
#include "ui/Controls.h"
#include "ui/SaveProblem.h"
#include "ui/TimetableView.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kvx {

namespace {

constexpr const char* kUnstorablePathMessage
    = "データファイルパスに、設定ファイルに保存できない文字が含まれています";

OleDate oleOf(const QDate& date)
{
    return OleDate::fromCivil(date.year(), date.month(), date.day());
}

QDate qDateOf(OleDate date)
{
    const std::chrono::year_month_day ymd = date.ymd();
    return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
        static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

} // namespace

EditorWindow::EditorWindow(EditorContext context, QWidget* parent)
    : QWidget(parent)
    , m_context(std::move(context))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kalvendorix"));
    setAccessibleName(QStringLiteral("アラームの編集"));
    // Month and weekday names in Japanese, whatever the desktop's language.
    setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    column->addLayout(row);
    m_tabs = named(new QTabWidget, "SSTab1", QStringLiteral("編集のタブ"));
    m_general = new GeneralTab;
    m_message = new MessageTab(m_context.dialogs);
    m_sound = new SoundTab(m_context.sound);
    m_tabs->addTab(m_general, QStringLiteral("一般"));
    m_tabs->addTab(m_message, QStringLiteral("表示メッセージ"));
    m_tabs->addTab(m_sound, QStringLiteral("サウンド"));
    m_routine = new RoutineTab;
    m_screen = new ScreenTab(m_context.tables.window, m_context.dialogs,
        m_context.settings.programDirectory(), m_context.calendarWindow);
    m_link = new LinkTab(m_context.tables.window);
    m_tabs->addTab(m_routine, QStringLiteral("定期予定"));
    m_tabs->addTab(m_screen, QStringLiteral("画面設定"));
    m_tabs->addTab(m_link, QStringLiteral("データ連携"));
    row->addWidget(m_tabs);
    row->addWidget(buildListPane());
    m_timetable = new TimetableView("HScroll3");
    column->addWidget(m_timetable);
    connect(m_timetable, &TimetableView::scrolled, this, &EditorWindow::timetableScrolled);
    wireMirrors();
    m_preview = std::make_unique<NotificationWindow>();
    formLoad();
    setFixedSize(sizeHint());
    // Every save takes the position choice into "FORMFLAG".
    m_saveHook
        = m_context.saver.addHook([this] { m_context.tables.window.formPosition = m_screen->formFlag(); });
}

EditorWindow::~EditorWindow()
{
    m_context.saver.removeHook(m_saveHook);
}

QWidget* EditorWindow::buildListPane()
{
    auto* pane = new QWidget;
    auto* column = new QVBoxLayout(pane);
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
    m_quick = named(new QComboBox, "Combo2", QStringLiteral("クイックタイマーの分"));
    for (const int minutes : kQuickTimerMinutes) {
        m_quick->addItem(QStringLiteral("%1分").arg(minutes));
    }
    m_quick->setCurrentIndex(-1);
    buttons->addWidget(m_quick);
    m_add
        = named(new QPushButton(QStringLiteral("アラーム追加")), "Command5", QStringLiteral("アラーム追加"));
    m_change = named(new QPushButton, "Command6", QStringLiteral("アラーム変更"));
    m_change->setIcon(buttonIcon(QStringLiteral("EDIT")));
    m_change->setToolTip(QStringLiteral("アラーム変更"));
    m_delete = named(new QPushButton, "Command7", QStringLiteral("アラーム削除"));
    m_delete->setIcon(buttonIcon(QStringLiteral("DELETE")));
    m_delete->setToolTip(QStringLiteral("アラーム削除"));
    buttons->addWidget(m_add);
    buttons->addWidget(m_change);
    buttons->addWidget(m_delete);
    column->addWidget(frame);
    m_ok = named(new QPushButton(QStringLiteral("ＯＫ")), "Command8", QStringLiteral("ＯＫ"));
    column->addWidget(m_ok);

    // Keyboard and mouse alike. A click moves the current row before it
    // selects, the arrow keys select first: both signals are watched.
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        m_rowToLoad = true;
        loadOnRowChange();
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &EditorWindow::loadOnRowChange);
    connect(m_allView, &QRadioButton::clicked, this, [this] { switchView(false); });
    connect(m_dayView, &QRadioButton::clicked, this, [this] { switchView(true); });
    connect(m_quick, &QComboBox::activated, this,
        [this](int index) { addQuickTimer(kQuickTimerMinutes[static_cast<std::size_t>(index)]); });
    connect(m_add, &QPushButton::clicked, this, &EditorWindow::addAlarm);
    connect(m_change, &QPushButton::clicked, this, &EditorWindow::changeAlarm);
    connect(m_delete, &QPushButton::clicked, this, &EditorWindow::deleteAlarms);
    connect(m_ok, &QPushButton::clicked, this, &EditorWindow::confirm);
    return pane;
}

void EditorWindow::wireMirrors()
{
    connect(m_general, &GeneralTab::messageEdited, m_message, &MessageTab::setMessage);
    connect(m_message, &MessageTab::messageEdited, m_general, &GeneralTab::setMessage);
    connect(m_general, &GeneralTab::soundToggled, m_sound, &SoundTab::setSound);
    connect(m_sound, &SoundTab::soundToggled, m_general, &GeneralTab::setSound);
    connect(m_general, &GeneralTab::soundFileEdited, m_sound, &SoundTab::setSoundFile);
    connect(m_sound, &SoundTab::soundFileEdited, m_general, &GeneralTab::setSoundFile);
    connect(m_general, &GeneralTab::browseSoundRequested, this, &EditorWindow::browseSound);
    connect(m_sound, &SoundTab::browseSoundRequested, this, &EditorWindow::browseSound);
    connect(m_sound, &SoundTab::testFileMissing, this,
        [this] { warn(QStringLiteral("指定されたファイルはありません")); });
    connect(m_general, &GeneralTab::previewRequested, this, &EditorWindow::showPreview);
    connect(m_message, &MessageTab::previewRequested, this, &EditorWindow::showPreview);
    connect(m_general, &GeneralTab::resetPressed, this, &EditorWindow::resetFields);
    connect(m_general, &GeneralTab::dateClicked, this, &EditorWindow::dateClicked);
    connect(m_general, &GeneralTab::weekStartToggled, this, [this] {
        if (m_model->rowCount() > 0) {
            fillList();
        }
    });
    connect(m_general, &GeneralTab::dayOfMonthRefused, this, [this] {
        warn(QString::fromUtf8(kDayOfMonthMessage));
        m_general->focusTarget(DraftField::DayOfMonth)->setFocus();
    });
    connect(m_sound, &SoundTab::devicesChosen, this, [this](const QString& midi, const QString& wave) {
        if (!m_formLoading && m_context.adoptSoundDevices) {
            m_context.adoptSoundDevices(midi, wave);
        }
    });
    connect(m_sound, &SoundTab::sliderMoved, this, [this](bool midi, int value) {
        m_context.sound.sliderMoved(midi ? VolumeDevices::Kind::Midi : VolumeDevices::Kind::Wave, value,
            m_context.alarmSounding && m_context.alarmSounding());
    });
    connect(m_routine, &RoutineTab::doneEditing, this, [this] { m_ok->setFocus(); });
    connect(m_screen, &ScreenTab::dataPathChosen, this, &EditorWindow::switchDataFile);
    connect(m_link, &LinkTab::portRefused, this, [this] { warn(QString::fromUtf8(kPortRangeMessage)); });
}

void EditorWindow::formLoad()
{
    m_formLoading = true;
    m_context.view.dataChanged = false;
    const AlarmDefaults& defaults = m_context.tables.defaults;
    if (m_context.chooseSoundDevices) {
        m_context.chooseSoundDevices(this);
    }
    m_message->setWarnPastTime(defaults.warnPastTime != 0);
    m_screen->load(QString::fromStdString(m_context.settings.dataPath()));
    m_link->load();
    const bool dayView = defaults.listMode == kListDay;
    (dayView ? m_dayView : m_allView)->setChecked(true);
    switchView(dayView);
    m_sound->fillDevices(QString::fromStdString(m_context.tables.defaults.midiDevice),
        QString::fromStdString(m_context.tables.defaults.waveDevice));
    applyDefaults();
    m_routine->load(m_context.tables.routines, m_context.clock.nowOle().day());
    rebuildDisplayOrder(m_context.tables.alarms, m_order);
    fillList();
    m_formLoading = false;
}

void EditorWindow::applyDefaults()
{
    const OleDate now = m_context.clock.nowOle();
    showNewAlarmFields(newAlarmDraft(m_context.tables.defaults, now, now));
}

// The fields of a new alarm; the sliders show the volumes the devices had at start.
void EditorWindow::showNewAlarmFields(EditorDraft draft)
{
    m_list->clearSelection();
    m_general->setDate(qDateOf(draft.calendarDate));
    m_general->setWeekStartsMonday(draft.weekStartsMonday);
    draft.midiVolume = static_cast<std::int32_t>(m_context.sound.savedMidiVolume());
    draft.waveVolume = static_cast<std::int32_t>(m_context.sound.savedWaveVolume());
    m_general->load(draft);
    m_general->setWeeklyIndex(draft.weeklyIndex);
    m_message->load(draft);
    m_sound->load(draft);
}

void EditorWindow::startNewAlarm(const NewAlarmPreparation& preparation)
{
    const bool dayView = preparation.view == EditorView::Day;
    (dayView ? m_dayView : m_allView)->setChecked(true);
    showNewAlarmFields(preparation.draft);
    m_context.view.editorSelectedAlarm = preparation.selectedAlarm;
    rebuildDisplayOrder(m_context.tables.alarms, m_order);
    switchView(dayView);
}

void EditorWindow::openAlarm(EditorView view, int alarmIndex, Tab tab)
{
    const bool dayView = view == EditorView::Day;
    (dayView ? m_dayView : m_allView)->setChecked(true);
    m_list->clearSelection();
    m_general->setDate(qDateOf(m_context.view.calendar.selectedDate));
    m_context.view.editorSelectedAlarm = -1;
    rebuildDisplayOrder(m_context.tables.alarms, m_order);
    switchView(dayView);
    const int row = m_model->rowOf(alarmIndex);
    if (alarmIndex >= 0 && row >= 0) {
        selectRow(row);
    }
    m_tabs->setCurrentIndex(tab);
}

void EditorWindow::open()
{
    show();
    raise();
    activateWindow();
}

void EditorWindow::showEvent(QShowEvent* event)
{
    rebuildDisplayOrder(m_context.tables.alarms, m_order);
    fillList();
    redrawTimetable();
    QWidget::showEvent(event);
}

void EditorWindow::changeEvent(QEvent* event)
{
    // The calendar window may have chosen another day meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        rebuildDisplayOrder(m_context.tables.alarms, m_order);
        redrawTimetable();
    }
    QWidget::changeEvent(event);
}

void EditorWindow::refreshList()
{
    const int selected = m_context.view.editorSelectedAlarm;
    const std::vector<int> rows = selectedRows();
    std::vector<int> alarms;
    alarms.reserve(rows.size());
    for (const int row : rows) {
        alarms.push_back(m_model->alarmIndex(row));
    }
    rebuildDisplayOrder(m_context.tables.alarms, m_order);
    fillList();
    for (const int alarm : alarms) {
        const int row = m_model->rowOf(alarm);
        if (row >= 0) {
            m_list->selectionModel()->select(m_model->index(row), QItemSelectionModel::Select);
        }
    }
    m_context.view.editorSelectedAlarm = selected;
    redrawTimetable();
}

void EditorWindow::fillList()
{
    OleDate nextRingAt;
    const EditorView view = m_dayView->isChecked() ? EditorView::Day : EditorView::AllAlarms;
    m_model->setRows(editorListRows(m_context.tables.alarms, m_order, view, oleOf(m_general->date()),
        m_context.clock.nowOle(), m_general->weekStartsMonday(), nextRingAt, m_dayRowMap));
}

void EditorWindow::selectRow(int row)
{
    const QModelIndex index = m_model->index(row);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_list->scrollTo(index);
}

std::vector<int> EditorWindow::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

RotaDraft EditorWindow::shownRota() const
{
    return m_routine->current();
}

EditorDraft EditorWindow::draft() const
{
    EditorDraft draft;
    m_message->readInto(draft);
    m_sound->readInto(draft);
    m_general->readInto(draft);
    return draft;
}

// Once per change of the current row, and only while it is the one selected row.
void EditorWindow::loadOnRowChange()
{
    const QModelIndex current = m_list->currentIndex();
    if (!m_rowToLoad || !current.isValid() || selectedRows() != std::vector<int>{current.row()}) {
        return;
    }
    m_rowToLoad = false;
    loadSelectedAlarm();
}

void EditorWindow::loadSelectedAlarm()
{
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid()) {
        return;
    }
    const int index = m_model->alarmIndex(current.row());
    m_context.view.editorSelectedAlarm = index;
    const AlarmRecord& record = m_context.tables.alarms.alarms[static_cast<std::size_t>(index)];
    const EditorDraft loaded
        = draftFromRecord(record, oleOf(m_general->date()), m_general->weekStartsMonday());
    m_general->load(loaded);
    m_message->load(loaded);
    m_sound->load(loaded);
    m_context.view.calendar.selectDate(oleOf(m_general->date()));
    m_timetable->setScrollValue(scrollToAlarm(record.startTime));
    redrawTimetable();
}

bool EditorWindow::checkDraft(const EditorDraft& draft)
{
    const auto problem = firstProblem(draft);
    if (!problem) {
        return pastTimeAccepted(draft);
    }
    if (problem->field == DraftField::Digit) {
        return false;
    }
    warn(QString::fromStdString(problem->message));
    QWidget* target = nullptr;
    switch (problem->field) {
    case DraftField::PreMinutes:
    case DraftField::BlinkCount:
        target = m_message->focusTarget(problem->field);
        m_tabs->setCurrentWidget(m_message);
        break;
    case DraftField::SoundFileCopy:
        target = m_sound->soundFileBox();
        m_tabs->setCurrentWidget(m_sound);
        break;
    default:
        target = m_general->focusTarget(problem->field);
        m_tabs->setCurrentWidget(m_general);
        break;
    }
    if (target) {
        target->setFocus();
    }
    return false;
}

bool EditorWindow::pastTimeAccepted(const EditorDraft& draft)
{
    if (!asksPastTime(draft, m_context.clock.nowOle(), m_message->warnPastTime())) {
        return true;
    }
    return m_context.prompter.question(QString::fromUtf8(kPastTimeQuestion), this);
}

void EditorWindow::store(int index, const EditorDraft& draft, bool change)
{
    m_context.view.dataChanged = true;
    AlarmRecord& slot = m_context.tables.alarms.alarms[static_cast<std::size_t>(index)];
    const AlarmRecord record = recordFromDraft(draft, slot, change);
    slot = record;
    AlarmDefaults& defaults = m_context.tables.defaults;
    rememberDefaults(defaults, record, draft, m_dayView->isChecked() ? kListDay : kListAll);
    defaults.warnPastTime = m_message->warnPastTime() ? 1 : 0;
    defaults.midiDevice = m_sound->midiDevice().toStdString();
    defaults.waveDevice = m_sound->waveDevice().toStdString();
    defaults.lastSavedIndex = static_cast<std::int16_t>(index);
    emit alarmsChanged();
}

void EditorWindow::addAlarm()
{
    if (m_general->choice() == KindChoice::Quick) {
        warn(QString::fromUtf8(kQuickAddMessage));
        return;
    }
    AlarmTable& table = m_context.tables.alarms;
    if (table.alarmCount >= AlarmTable::kMaxAlarms) {
        warn(QString::fromUtf8(kTableFullMessage));
        return;
    }
    const EditorDraft fields = draft();
    if (!checkDraft(fields)) {
        return;
    }
    table.add(AlarmRecord{});
    const int index = table.alarmCount - 1;
    store(index, fields, false);
    rebuildDisplayOrder(table, m_order);
    fillList();
    const int row = m_model->rowOf(index);
    if (row >= 0) {
        selectRow(row);
    }
    redrawTimetable();
}

void EditorWindow::changeAlarm()
{
    if (m_context.alarmSounding && m_context.alarmSounding()) {
        return;
    }
    const std::vector<int> rows = selectedRows();
    if (rows.size() != 1) {
        warn(QString::fromUtf8(kSelectOneMessage));
        return;
    }
    if (m_general->choice() == KindChoice::Quick) {
        warn(QString::fromUtf8(kQuickChangeMessage));
        return;
    }
    const EditorDraft fields = draft();
    if (!checkDraft(fields)) {
        return;
    }
    const int index = m_model->alarmIndex(rows.front());
    store(index, fields, true);
    m_context.view.editorSelectedAlarm = index;
    rebuildDisplayOrder(m_context.tables.alarms, m_order);
    fillList();
    int row = m_model->rowOf(index);
    if (row < 0 && m_dayView->isChecked()) {
        m_allView->setChecked(true);
        switchView(false);
        row = m_model->rowOf(index);
    }
    if (row >= 0) {
        selectRow(row);
    }
    redrawTimetable();
}

void EditorWindow::deleteAlarms()
{
    const std::vector<int> rows = selectedRows();
    if (rows.empty() || (m_context.alarmSounding && m_context.alarmSounding())) {
        return;
    }
    m_context.view.dataChanged = true;
    std::vector<int> doomed;
    doomed.reserve(rows.size());
    for (const int row : rows) {
        doomed.push_back(m_model->alarmIndex(row));
    }
    std::sort(doomed.rbegin(), doomed.rend());
    for (const int index : doomed) {
        m_context.tables.alarms.remove(index);
    }
    // The indexes after the deleted ones have moved: no alarm stays chosen.
    m_context.view.editorSelectedAlarm = -1;
    rebuildDisplayOrder(m_context.tables.alarms, m_order);
    fillList();
    applyDefaults();
    redrawTimetable();
    emit alarmsChanged();
}

void EditorWindow::resetFields()
{
    applyDefaults();
    rebuildDisplayOrder(m_context.tables.alarms, m_order);
    fillList();
    if (isVisible()) {
        m_list->setFocus();
    }
    m_context.view.editorSelectedAlarm = -1;
    redrawTimetable();
}

void EditorWindow::confirm()
{
    if (const std::optional<QString> typed = m_screen->enteredDataPath(); typed && !switchDataFile(*typed)) {
        return;
    }
    m_routine->storeInto(m_context.tables.routines);
    const SaveResult result = m_context.saver.save(m_context.clock.nowOle());
    if (!result.ok()) {
        // The edits stay in memory and the window stays open: nothing is lost.
        warn(saveFailureText(result, m_context.dataFile, m_context.settings));
        return;
    }
    m_context.view.editorSelectedAlarm = -1;
    m_context.view.dataChanged = false;
    m_context.sound.stopTestSound();
    m_screen->forgetPosition();
    reloadData();
    m_tabs->setCurrentWidget(m_general);
    hide();
    emit confirmed();
}

void EditorWindow::addQuickTimer(int minutes)
{
    AlarmTable& table = m_context.tables.alarms;
    if (table.alarmCount >= AlarmTable::kMaxAlarms) {
        return;
    }
    m_context.view.dataChanged = true;
    const AlarmRecord fields = recordFromDraft(draft(), {}, false);
    table.add(quickTimerRecord(fields, m_context.clock.nowOle(), minutes));
    m_context.tables.defaults.lastSavedIndex = static_cast<std::int16_t>(table.alarmCount - 1);
    rebuildDisplayOrder(table, m_order);
    fillList();
    redrawTimetable();
    emit alarmsChanged();
}

void EditorWindow::dateClicked(const QDate& date)
{
    if (!m_dayView->isChecked()) {
        m_add->setFocus();
        return;
    }
    m_context.view.editorSelectedAlarm = -1;
    m_general->setDayOfMonth(date.day());
    m_general->tickDateWeekday();
    fillList();
    redrawTimetable();
    if (isVisible()) {
        m_list->setFocus();
    }
}

void EditorWindow::switchView(bool dayView)
{
    m_dayView->setStyleSheet(
        dayView ? QStringLiteral("QRadioButton { font-weight: bold; background: #ff0000; }") : QString());
    fillList();
    const int row = m_model->rowOf(m_context.view.editorSelectedAlarm);
    if (row >= 0 && !m_formLoading) {
        selectRow(row);
    }
    redrawTimetable();
    if (isVisible()) {
        m_list->setFocus();
    }
}

void EditorWindow::showPreview()
{
    const AlarmRecord record = recordFromDraft(draft(), {}, false);
    m_preview->showPreview(
        NotificationWindow::appearanceOf(record), QString::fromStdString(record.startTime.formatTime()));
}

void EditorWindow::browseSound()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("Fileを開く");
    request.filters = {
        QStringLiteral("サウンドファイル (*.wav *.mp3 *.wma *.mid)"), QStringLiteral("すべてのファイル (*)")};
    request.startFolder = QString::fromStdString(
        initialDialogDirectory(m_context.settings.programDirectory(), draft().soundFile));
    if (const auto chosen = m_context.dialogs.openFile(request, this)) {
        m_general->setSoundFile(*chosen);
        m_sound->setSoundFile(*chosen);
    }
}

void EditorWindow::reloadData(Memos memos)
{
    MemoLists kept = memos == Memos::Keep ? m_context.tables.memos : MemoLists{};
    LoadContext context;
    context.legacyMidiVolume = static_cast<std::int32_t>(m_context.sound.savedMidiVolume());
    context.legacyWaveVolume = static_cast<std::int32_t>(m_context.sound.savedWaveVolume());
    context.now = m_context.clock.nowOle();
    m_context.dataFile.load(m_context.tables, m_context.settings.dataPath(), context);
    if (memos == Memos::Keep) {
        m_context.tables.memos = std::move(kept);
    }
    m_routine->load(m_context.tables.routines, context.now.day());
    m_screen->showDataPath(QString::fromStdString(m_context.settings.dataPath()));
    rebuildDisplayOrder(m_context.tables.alarms, m_order);
    fillList();
    emit alarmsChanged();
}

// The tables go to the file in force first, as "ＯＫ" writes them; then the
// other file becomes the data file in both settings files and is loaded.
bool EditorWindow::switchDataFile(const QString& path)
{
    Settings& settings = m_context.settings;
    const std::string target = path.toStdString();
    const QString current = QString::fromStdString(settings.dataPath());
    if (target == settings.dataPath()) {
        return true;
    }
    if (!settings.storedDataPath(target)) {
        warn(QString::fromUtf8(kUnstorablePathMessage));
        m_screen->showDataPath(current);
        return false;
    }
    m_routine->storeInto(m_context.tables.routines);
    const SaveResult result = m_context.saver.save(m_context.clock.nowOle());
    if (!result.ok()) {
        warn(saveFailureText(result, m_context.dataFile, settings));
        m_screen->showDataPath(current);
        return false;
    }
    settings.setDataPath(target);
    m_context.tables.window.dataPath = target;
    settings.writeSettingToBoth("DATAPATH", target);
    m_context.view.dataChanged = false;
    m_context.view.editorSelectedAlarm = -1;
    reloadData(Memos::FromFile);
    emit dataFileSwitched();
    return true;
}

void EditorWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    m_context.view.editorSelectedAlarm = -1;
    m_tabs->setCurrentWidget(m_general);
    m_screen->restorePosition();
    if (m_context.view.dataChanged) {
        if (!m_context.prompter.question(QString::fromUtf8(kDiscardQuestion), this)) {
            return;
        }
        reloadData();
        m_context.view.dataChanged = false;
    }
    m_context.sound.stopTestSound();
    hide();
    emit closedByUser();
}

void EditorWindow::warn(const QString& text)
{
    m_context.prompter.message(text, this);
}

// The daily view frames the bar of the alarm loaded into the fields, the list
// view the bar of the list's current row.
void EditorWindow::redrawTimetable()
{
    TimetableLayout layout = layoutTimetable(
        m_context.tables.alarms, m_order, m_context.view.calendar.selectedDate, m_timetable->scrollValue());
    const QModelIndex current = m_list->currentIndex();
    const int framed = layout.barOfSelected(m_dayView->isChecked() ? kListDay : kListAll,
        m_context.view.editorSelectedAlarm, current.isValid() ? current.row() : -1);
    m_timetable->showLayout(std::move(layout), framed);
}

void EditorWindow::timetableScrolled()
{
    rebuildDisplayOrder(m_context.tables.alarms, m_order);
    redrawTimetable();
    if (isVisible()) {
        m_list->setFocus();
    }
}

} // namespace kvx
