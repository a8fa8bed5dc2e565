#include "resident/ResidentWindow.h"

#include "core/RescueFile.h"
#include "core/WholeFile.h"
#include "resident/AboutBox.h"
#include "resident/DeviceChooser.h"
#include "resident/NotificationWindow.h"
#include "schedule/EditorDraft.h"
#include "schedule/FiringDecision.h"
#include "schedule/NextAlarm.h"
#include "schedule/NextDue.h"
#include "schedule/QuickCommands.h"
#include "ui/ProblemText.h"
#include "ui/SaveProblem.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace kvx {

namespace {

const QString kTitle = QStringLiteral("Kalvendorix");
const QString kPausedTip = QStringLiteral("アラームは停止中です");
// The alarm tick lands this long after the wall-clock second it waits for begins.
constexpr int kTickPhaseMs = 5;
// The longest wait of the alarm tick, should a jump of the clock go unreported.
constexpr qint64 kLongestWaitMs = 3600 * 1000;
// Alarms passed while the machine slept are told of for this long after their minute.
constexpr long long kMissedNoticeSeconds = 12 * 3600;
// The missed bells looked for after a sleep, at most.
constexpr int kMostMissedBells = 100;
// A media channel not yet set up is prepared this long before a bell.
constexpr qint64 kMediaLeadMs = 10 * 1000;
// The tick's last wait before a bell, at most.
constexpr qint64 kFinalApproachMs = 500;

} // namespace

ResidentWindow::ResidentWindow(SharedTables& tables, Settings& settings, DataFile& dataFile,
    SaveRoutine& saver, ResidentServices& services, QObject* parent)
    : QObject(parent)
    , m_tables(tables)
    , m_settings(settings)
    , m_dataFile(dataFile)
    , m_saver(saver)
    , m_services(services)
    , m_sound(services.media, services.fallback, services.volumes)
    , m_ringer(tables.alarms, services.clock, m_sound)
    , m_notice(
          services.notifier, tables.window, [this] { m_ringer.stopAction(); },
          [this](int minutes) { snooze(minutes); })
    , m_timer1(services.clock.createTimer())
{
    m_ringer.onRang = [this](const AlarmRecord& alarm, bool mainBell, const QString& time) {
        m_notice.rang(alarm, mainBell, time, m_ringer.notificationWindow().snoozeMinutes());
    };
    m_ringer.onStopped = [this] { m_notice.stopped(); };
    setObjectName(QStringLiteral("Form3"));
    m_timer1->setSingleShot(true);
    m_timer1->onTimeout = [this] { alarmTick(); };
    buildMenu();
    m_services.tray.setSoundingState(&m_ringer);
    m_ringer.onSnooze = [this](int minutes) { snooze(minutes); };
    connect(&m_services.tray, &TrayIcon::actionTriggered, this, &ResidentWindow::iconEvent);
    connect(&m_services.wallClock, &WallClockWatch::changed, this, &ResidentWindow::wallClockChanged);
}

ResidentWindow::~ResidentWindow()
{
    m_ringer.onRang = nullptr;
    m_ringer.onStopped = nullptr;
    m_services.tray.setSoundingState(nullptr);
}

void ResidentWindow::buildMenu()
{
    m_iconMenu = std::make_unique<QMenu>();
    m_iconMenu->setObjectName(QStringLiteral("IconMenu"));
    auto add = [this](QMenu* menu, const char* name, const QString& caption, void (ResidentWindow::*slot)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(m_iconMenu.get(), "medit", QStringLiteral("編集"), &ResidentWindow::openAction);
    QMenu* startup = m_iconMenu->addMenu(QStringLiteral("スタートアップ"));
    startup->setObjectName(QStringLiteral("mstart"));
    startup->menuAction()->setObjectName(QStringLiteral("mstart"));
    add(startup, "mstartin", QStringLiteral("登録"), &ResidentWindow::registerStartup)->setCheckable(true);
    add(startup, "mstartout", QStringLiteral("削除"), &ResidentWindow::removeStartup)->setCheckable(true);
    m_iconMenu->addSeparator();
    add(m_iconMenu.get(), "mstop", QStringLiteral("一時停止"), &ResidentWindow::togglePause)
        ->setCheckable(true);
    m_iconMenu->addSeparator();
    add(m_iconMenu.get(), "mlog", QStringLiteral("ログ表示"), &ResidentWindow::showLog);
    m_iconMenu->addSeparator();
    add(m_iconMenu.get(), "mver", QStringLiteral("バージョン情報"), &ResidentWindow::showAbout);
    m_iconMenu->addSeparator();
    add(m_iconMenu.get(), "mend", QStringLiteral("終了"), &ResidentWindow::exitFromMenu);
    // However the desktop shows the menu, its check marks are current.
    connect(m_iconMenu.get(), &QMenu::aboutToShow, this,
        [this] { setStartupChecks(m_services.autostart.isRegistered()); });
}

QAction* ResidentWindow::menuAction(const QString& objectName) const
{
    return m_iconMenu->findChild<QAction*>(objectName, Qt::FindChildrenRecursively);
}

ResidentWindow::Gate ResidentWindow::startGate()
{
    auto readState = [this](int& flag, bool& running) {
        m_settings.setDataPath(m_settings.readDataPath());
        flag = m_settings.readInt("STARTFLG", 0);
        running = m_services.instance.anotherCopyRunning();
        m_lockHeld = !running;
    };
    // A lock that can be neither taken nor cleared is no reason to wait: the
    // program does not start, and says why, rather than risk a second copy.
    auto refused = [this] {
        const std::optional<InstanceProblem> problem = m_services.instance.lastProblem();
        if (problem) {
            m_services.prompter.message(problemText(QStringLiteral("起動を確認できませんでした"),
                problem->path.toStdString(), problem->reason.toStdString()));
        }
        return problem.has_value();
    };
    int flag = 0;
    bool running = false;
    readState(flag, running);
    if (refused()) {
        return Gate::Refused;
    }
    if (flag == 1 && running) {
        return Gate::AnotherCopyRuns;
    }
    // A stale flag, or a copy that is just ending, costs at most two waits.
    // The session may end during a wait: then the start-up goes no further.
    for (int retry = 0; retry < 2 && (flag != 0 || running); ++retry) {
        m_services.clock.wait(1000);
        if (m_exited) {
            return Gate::Ended;
        }
        readState(flag, running);
        if (refused()) {
            return Gate::Refused;
        }
    }
    // A stale flag alone is let pass, but never a second running copy: two
    // copies would each save their own tables over the other's at exit.
    if (running) {
        return Gate::AnotherCopyRuns;
    }
    m_settings.writeRunningFlagToBoth(true);
    m_flagRaised = true;
    return Gate::Pass;
}

ResidentWindow::Start ResidentWindow::startUp()
{
    if (m_exited) {
        return Start::Ended;
    }
    switch (startGate()) {
    case Gate::AnotherCopyRuns:
        return Start::AnotherCopyRuns;
    case Gate::Ended:
        return Start::Ended;
    case Gate::Refused:
        return Start::Refused;
    case Gate::Pass:
        break;
    }
    m_services.tray.setMenu(m_iconMenu.get());
    m_services.tray.add(TrayIcon::Image::Application, kTitle);
    m_trayAdded = true;
    m_toolTip = kTitle;
    setStartupChecks(m_settings.readSetting("STARTMD", "0") == "1");

    m_sound.setChosenDevices(QString::fromStdString(m_settings.readSetting("MIDINM", "")),
        QString::fromStdString(m_settings.readSetting("WAVENM", "")));
    // The volumes are read before the data file, whose conversion from an older
    // version gives the converted alarms the current volumes.
    m_sound.saveVolumes();
    if (m_exited) {
        return Start::Ended;
    }
    loadData();

    // The tip names the next bell from the first second, not only once the
    // tick first wakes (which may be hours away).
    restartAlarmTick();
    return Start::Running;
}

void ResidentWindow::loadData()
{
    m_settings.loadAll(m_tables.defaults, m_tables.window);
    LoadContext context;
    context.legacyMidiVolume = static_cast<std::int32_t>(m_sound.savedMidiVolume());
    context.legacyWaveVolume = static_cast<std::int32_t>(m_sound.savedWaveVolume());
    context.now = m_services.clock.nowOle();
    m_dataFile.load(m_tables, m_settings.dataPath(), context);
    m_saver.setTablesLoaded(true);
    m_loaded = true;
    // Told once, as the load fails: the program runs on with empty tables, and
    // the user must not believe the alarms set. Nothing at the start waits for
    // the user: the alarm tick and the commands of the terminal run at once.
    if (const QString problem = loadProblemText(m_dataFile.lastProblem()); !problem.isEmpty()) {
        m_services.prompter.notice(problem);
    }
    tellOpenDataFolders();
}

// Whoever may write to the data folder may replace the data file or put
// links there; the saves refuse such links, and the user learns why.
void ResidentWindow::tellOpenDataFolders()
{
    const std::vector<std::string> open = foldersOthersMayWrite(m_settings.dataPath());
    if (open.empty()) {
        return;
    }
    QStringList lines{QStringLiteral("データファイルのフォルダーには、ほかのユーザーも書き込めます。")};
    for (const std::string& folder : open) {
        lines << QString::fromStdString(folder);
    }
    lines << QStringLiteral("ほかのユーザーがファイルを差し替えたり、リンクを置いたりできます。"
                            "自分だけが書き込めるようにするには、端末で次のように実行してください。");
    for (const std::string& folder : open) {
        lines << QStringLiteral("chmod 700 '%1'").arg(QString::fromStdString(folder));
    }
    m_services.prompter.notice(lines.join(QLatin1Char('\n')));
}

void ResidentWindow::tell(const QString& text)
{
    if (m_sessionEnding) {
        std::fprintf(stderr, "kalvendorix: %s\n", text.toLocal8Bit().constData());
    } else {
        m_services.prompter.message(text);
    }
}

void ResidentWindow::tellSaveProblems(const SaveResult& result)
{
    if (!result.ran) {
        return;
    }
    if (!result.dataFileSaved) {
        const FileProblem& problem = m_dataFile.lastProblem();
        tell(problemText(QStringLiteral("データファイルを保存できませんでした。"),
            problem.path.empty() ? m_settings.dataPath() : problem.path, problem.reason,
            dataSaveAftermath(problem)));
    }
    if (!result.settingsSaved) {
        const FileProblem& problem = m_settings.lastProblem();
        tell(problemText(
            QStringLiteral("設定ファイルを保存できませんでした。"), problem.path, problem.reason));
    }
}

// The exit's save did not succeed. When the data file itself was not saved,
// the tables go to a rescue file, which the next start offers to take back.
// From the menu the user may stay instead; the rescue file is then removed
// again, for the tables are still here. At the end of the session nobody may
// answer: the text goes to the standard error.
bool ResidentWindow::endDespiteFailedSave(const SaveResult& saved)
{
    std::string rescue;
    QString rescueLine;
    if (!saved.dataFileSaved) {
        rescue = writeRescueFile(m_tables, m_settings.dataPath(), m_services.clock.nowOle());
        rescueLine = rescue.empty() ? QStringLiteral("退避ファイルも書き込めませんでした。")
                                    : QStringLiteral("退避ファイル：%1").arg(QString::fromStdString(rescue));
    }
    if (!m_exitFromMenu || m_sessionEnding) {
        tellSaveProblems(saved);
        if (!rescueLine.isEmpty()) {
            tell(rescueLine);
        }
        return true;
    }
    QString text = saveFailureText(saved, m_dataFile, m_settings);
    if (!rescueLine.isEmpty()) {
        text += QLatin1Char('\n') + rescueLine;
    }
    if (m_services.prompter.question(text + QStringLiteral("\n終了してもよろしいですか？"))) {
        return true;
    }
    if (!rescue.empty()) {
        ::unlink(rescue.c_str());
    }
    return false;
}

void ResidentWindow::endSession()
{
    m_sessionEnding = true;
    exitSequence();
}

// The tick sleeps until the next second at which a bell can ring, or the next
// minute's start while the tip counts down to a bell, and never longer than
// kLongestWaitMs. The wait is measured on the wall clock; a jump of it re-arms.
// What the first ring needs (the sound's set-up, the window) is made shortly
// before the bell, and the wait is measured after it, so that the bell rings
// on its own second.
void ResidentWindow::armAlarmTick()
{
    m_timer1->stop();
    if (m_alarmsPaused || !m_loaded || m_exiting || m_exited) {
        return;
    }
    QDateTime now = m_services.clock.now();
    // The instant of this tick has been looked at: the next one is a later second.
    QDateTime nextSecond = now.addMSecs(1000 - now.time().msec());
    const NextCheck next = nextDueMoment(m_tables.alarms, Clock::toOleDate(nextSecond));
    const QDateTime bell = Clock::fromOleDate(next.at);
    if (next.found && now.msecsTo(bell) <= kMediaLeadMs && prepareFirstRing()) {
        now = m_services.clock.now();
        nextSecond = now.addMSecs(1000 - now.time().msec());
    }
    m_lastCheck = Clock::toOleDate(now);
    QDateTime target = bell;
    if (!m_nextRingAt.isZero()) {
        const QDateTime nextMinute = nextSecond.addSecs((60 - nextSecond.time().second()) % 60);
        target = std::min(target, nextMinute);
    }
    qint64 wait = std::clamp(now.msecsTo(target), qint64{0}, kLongestWaitMs);
    // Until then the tick wakes once a little before the bell to make it.
    if (next.found && !m_firstRingPrepared) {
        wait = std::min(wait, std::max(now.msecsTo(bell) - kMediaLeadMs, qint64{0}));
    }
    // A long sleep may end some milliseconds late; the last step to a bell is a short one.
    if (next.found && target == bell && wait > 2 * kFinalApproachMs) {
        wait -= kFinalApproachMs;
    }
    m_timer1->start(static_cast<int>(wait) + kTickPhaseMs);
}

// The sound's set-up (GStreamer's) and the notification window are left out of
// the start-up, and made before the first bell instead. True when anything
// was made now.
bool ResidentWindow::prepareFirstRing()
{
    if (m_firstRingPrepared) {
        return false;
    }
    m_firstRingPrepared = true;
    if (!m_sound.media().prepared()) {
        m_sound.media().prepare();
    }
    m_ringer.prepareWindow();
    if (m_tables.window.desktopNotify != 0) {
        m_services.notifier.prepare();
    }
    return true;
}

void ResidentWindow::setStartupChecks(bool registered)
{
    menuAction(QStringLiteral("mstartin"))->setChecked(registered);
    menuAction(QStringLiteral("mstartout"))->setChecked(!registered);
}

void ResidentWindow::iconEvent(TrayIcon::Action action)
{
    setStartupChecks(m_services.autostart.isRegistered());
    switch (action) {
    case TrayIcon::Action::LeftButtonDown:
        m_ringer.armDelayedStop();
        break;
    case TrayIcon::Action::RightButtonDown:
        // The desktop shows the menu itself; its check marks are set above.
        break;
    case TrayIcon::Action::LeftDoubleClick:
        openAction();
        break;
    }
}

void ResidentWindow::openAction()
{
    // A double click's first button-down armed the stop; opening cancels it.
    m_ringer.cancelDelayedStop();
    emit openMainWindowRequested();
}

void ResidentWindow::togglePause()
{
    QAction* item = menuAction(QStringLiteral("mstop"));
    m_alarmsPaused = !m_alarmsPaused;
    item->setChecked(m_alarmsPaused);
    if (m_alarmsPaused) {
        m_toolTip = kPausedTip;
        m_services.tray.modify(TrayIcon::Image::Stop, kPausedTip);
    } else {
        m_toolTip = kTitle;
        m_services.tray.modify(TrayIcon::Image::Application, kTitle);
    }
    // Paused, nothing wakes the tick; resumed, it waits for the next bell again.
    armAlarmTick();
}

void ResidentWindow::registerStartup()
{
    setStartupChecks(true);
    if (!m_services.autostart.isRegistered()) {
        m_services.autostart.registerEntry();
    }
    m_settings.writeSettingToBoth("STARTMD", "1");
}

void ResidentWindow::removeStartup()
{
    setStartupChecks(false);
    if (m_services.autostart.isRegistered()) {
        m_services.autostart.removeEntry();
        m_settings.writeSettingToBoth("STARTMD", "0");
    }
}

void ResidentWindow::showLog()
{
    const QString log = QString::fromStdString(m_settings.logFile());
    if (!QFileInfo::exists(log)) {
        m_services.prompter.message(QStringLiteral("ログはまだ作成されていません"));
        return;
    }
    m_services.launcher.openFile(log);
}

void ResidentWindow::showAbout()
{
    if (!m_about) {
        m_about = std::make_unique<AboutBox>(m_services.launcher, m_services.prompter);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void ResidentWindow::chooseSoundDevices(QWidget* parent)
{
    const std::optional<std::string> midi = m_settings.storedSetting("MIDINM");
    const std::optional<std::string> wave = m_settings.storedSetting("WAVENM");
    // Both chosen: whatever the lists offer, nothing is asked, so they are not read.
    if (!asksForSoundDevices(midi, wave, true, true)) {
        return;
    }
    DeviceChooser chooser(m_services.volumes, m_sound.chosenMidiDevice(), parent);
    if (!asksForSoundDevices(midi, wave, !chooser.midiDevice().isEmpty(), !chooser.waveDevice().isEmpty())) {
        return;
    }
    chooser.exec();
    adoptSoundDevices(chooser.midiDevice(), chooser.waveDevice());
}

void ResidentWindow::adoptSoundDevices(const QString& midiDevice, const QString& waveDevice)
{
    m_sound.setChosenDevices(midiDevice, waveDevice);
    m_tables.defaults.midiDevice = midiDevice.toStdString();
    m_tables.defaults.waveDevice = waveDevice.toStdString();
    m_settings.writeSettingToBoth("MIDINM", m_tables.defaults.midiDevice);
    m_settings.writeSettingToBoth("WAVENM", m_tables.defaults.waveDevice);
}

void ResidentWindow::alarmTick()
{
    ++m_ticks;
    if (m_alarmsPaused) {
        return;
    }
    const OleDate now = m_services.clock.nowOle();
    if (const auto firing = fireDueAlarm(m_tables.alarms, now)) {
        m_ringer.notificationWindow().setSnoozeMinutes(m_tables.window.snoozeMinutes);
        m_ringer.fire(firing->alarmIndex, firing->mainBell);
        emit alarmListsChanged();
    }
    refreshToolTip(now);
    armAlarmTick();
}

bool ResidentWindow::snooze(int minutes)
{
    const std::optional<AlarmRecord> shown = m_ringer.shownAlarm();
    m_ringer.stopAction();
    if (!shown || !m_loaded || m_exiting || m_exited) {
        return false;
    }
    if (const std::optional<std::string> problem = quickTimerProblem(m_tables.alarms, shown->message)) {
        m_services.prompter.message(QString::fromStdString(*problem));
        return false;
    }
    const OleDate now = m_services.clock.nowOle();
    m_tables.window.snoozeMinutes = static_cast<std::int16_t>(minutes);
    const SaveResult saved = addTimer(snoozeRecord(*shown, now, minutes), now);
    emit snoozed(saved.dataSaved());
    if (!saved.ok()) {
        m_services.prompter.message(saveFailureText(saved, m_dataFile, m_settings));
    }
    return saved.dataSaved();
}

SaveResult ResidentWindow::addTimer(const AlarmRecord& timer, OleDate now, UnsavedTimer unsaved)
{
    m_tables.alarms.add(timer);
    const SaveResult saved = m_saver.save(now);
    if (!saved.dataFileSaved && unsaved == UnsavedTimer::TakeBack) {
        m_tables.alarms.remove(m_tables.alarms.alarmCount - 1);
    }
    emit alarmListsChanged();
    restartAlarmTick();
    return saved;
}

void ResidentWindow::restartAlarmTick()
{
    if (!m_loaded || m_exiting || m_exited) {
        return;
    }
    if (!m_alarmsPaused) {
        refreshToolTip(m_services.clock.nowOle());
    }
    armAlarmTick();
}

void ResidentWindow::wallClockChanged(bool resumed)
{
    if (resumed && !m_alarmsPaused && m_loaded && !m_exiting && !m_exited) {
        tellMissedAlarms(m_lastCheck, m_services.clock.nowOle());
    }
    restartAlarmTick();
}

// Whether the tick at `now` still rings this bell: the machine woke within its
// minute (or a quick timer's minute after it), so it is rung, not missed.
bool ResidentWindow::stillRings(const Firing& firing, OleDate now) const
{
    const DueBells due = dueBellsAt(m_tables.alarms.alarms[static_cast<std::size_t>(firing.alarmIndex)], now);
    return (firing.mainBell && due.mainBell) || (firing.preAlarm && due.preAlarm);
}

// The bells the tick would have rung between two looks, found on a copy of
// the table: their last-ring times stay as they are, for they did not ring.
void ResidentWindow::tellMissedAlarms(OleDate from, OleDate until)
{
    if (from.isZero() || until.totalSeconds() <= from.totalSeconds()) {
        return;
    }
    const OleDate oldest = until.plusSeconds(-kMissedNoticeSeconds);
    AlarmTable table = m_tables.alarms;
    std::vector<MissedAlarm> missed;
    OleDate at = from.plusSeconds(1);
    for (int bells = 0; bells < kMostMissedBells; ++bells) {
        const NextCheck next = nextDueMoment(table, at);
        if (next.at.totalSeconds() >= until.totalSeconds()) {
            break;
        }
        if (next.found) {
            if (const auto firing = fireDueAlarm(table, next.at);
                firing && next.at.totalSeconds() >= oldest.totalSeconds() && !stillRings(*firing, until)) {
                missed.push_back({firing->alarmIndex, next.at});
            }
        }
        at = next.at.plusSeconds(next.found ? 1 : 0);
    }
    if (!missed.empty()) {
        m_ringer.showMissed(missed);
    }
}

void ResidentWindow::refreshToolTip(OleDate now)
{
    OleDate nextRingAt;
    const auto text = nextAlarmTooltip(m_tables.alarms, now, nextRingAt);
    m_nextRingAt = nextRingAt;
    if (!text) {
        return;
    }
    const QString tip = QString::fromStdString(*text);
    if (tip != m_toolTip) {
        m_toolTip = tip;
        m_services.tray.setToolTip(tip);
    }
}

void ResidentWindow::endDuringStartUp()
{
    m_exited = true;
    m_timer1->stop();
    if (m_trayAdded) {
        m_services.tray.remove();
    }
    if (m_flagRaised) {
        m_settings.writeRunningFlagToBoth(false);
    }
    if (m_lockHeld) {
        m_services.instance.release();
    }
    emit quitRequested();
}

void ResidentWindow::exitFromMenu()
{
    m_exitFromMenu = true;
    exitSequence();
    m_exitFromMenu = false;
}

void ResidentWindow::exitSequence()
{
    if (m_exited || m_exiting) {
        return;
    }
    if (!m_loaded) {
        endDuringStartUp();
        return;
    }
    m_exiting = true;
    const SaveResult saved = m_saver.save(m_services.clock.nowOle());
    if (saved.ran && !saved.ok() && !endDespiteFailedSave(saved)) {
        m_exiting = false;
        return;
    }

    m_ringer.shutDown();
    m_timer1->stop();

    m_services.tray.remove();
    m_settings.writeRunningFlagToBoth(false);
    m_services.instance.release();

    m_tables.clearData();
    if (m_about) {
        m_about->hide();
    }
    m_exiting = false;
    m_exited = true;
    emit quitRequested();
}

} // namespace kvx
