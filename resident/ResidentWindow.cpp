#include "resident/ResidentWindow.h"

#include "core/RescueFile.h"
#include "core/WholeFile.h"
#include "resident/AboutBox.h"
#include "resident/NotificationWindow.h"
#include "schedule/QuickCommands.h"
#include "store/AlarmStore.h"
#include "ui/ProblemText.h"
#include "ui/SaveProblem.h"

#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <unistd.h>
#include <utility>

namespace kvx {

namespace {

const QString kTitle = QStringLiteral("Kalvendorix");

} // namespace

ResidentWindow::ResidentWindow(
    AlarmStore& store, Settings& settings, ResidentServices& services, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(settings)
    , m_services(services)
    , m_sound(services.media, services.fallback, services.volumes)
    , m_ringer(store.alarms(), services.clock, m_sound)
    , m_notice(services.notifier, store.window())
    , m_gate(settings, services)
    , m_menu(services.autostart)
    , m_scheduler(store, m_ringer, m_sound, services)
    , m_devices(store, settings, m_sound, services.volumes)
    , m_watch(store, services.clock)
{
    setObjectName(QStringLiteral("Form3"));
    connect(&m_ringer, &AlarmRinger::rang, this,
        [this](const AlarmRecord& alarm, bool mainBell, const QString& time) {
            m_notice.rang(alarm, mainBell, time, m_ringer.notificationWindow().snoozeMinutes());
        });
    connect(&m_ringer, &AlarmRinger::stopped, &m_notice, &DesktopAlarmNotice::stopped);
    connect(&m_ringer, &AlarmRinger::snoozeRequested, this, &ResidentWindow::snooze);
    connect(&m_notice, &DesktopAlarmNotice::stopRequested, &m_ringer, &AlarmRinger::stopAction);
    connect(&m_notice, &DesktopAlarmNotice::snoozeRequested, this, &ResidentWindow::snooze);
    m_menu.setNextAlarmText([this] { return m_scheduler.toolTipNow(); });
    // The option goes off, saved with the next save; the user learns why.
    connect(&m_scheduler, &AlarmScheduler::wakeUpLost, this, [this](const QString& why) {
        m_store.window().wakeUp = 0;
        std::fprintf(stderr, "kalvendorix: %s\n", why.toLocal8Bit().constData());
        m_services.notifier.show({kTitle, why, DesktopNotifier::Urgency::Normal, {}});
        emit wakeUpLost(why);
    });
    connect(&m_menu, &TrayMenu::openChosen, this, &ResidentWindow::openAction);
    connect(&m_menu, &TrayMenu::registerChosen, this, &ResidentWindow::registerStartup);
    connect(&m_menu, &TrayMenu::removeChosen, this, &ResidentWindow::removeStartup);
    connect(&m_menu, &TrayMenu::pauseChosen, this, &ResidentWindow::togglePause);
    connect(&m_menu, &TrayMenu::logChosen, this, &ResidentWindow::showLog);
    connect(&m_menu, &TrayMenu::aboutChosen, this, &ResidentWindow::showAbout);
    connect(&m_menu, &TrayMenu::exitChosen, this, &ResidentWindow::exitFromMenu);
    connect(&m_scheduler, &AlarmScheduler::woke, &m_watch, &DataFileWatch::tickWoke);
    // Another data file switched to is watched from then on.
    connect(&m_store, &AlarmStore::memosReplaced, this, [this] {
        if (m_watch.watching() && !m_exiting && !m_exited) {
            m_watch.watch(m_settings.dataPath());
        }
    });
    // Told briefly, on the desktop: never a dialog per alarm.
    connect(&m_store, &AlarmStore::otherWriterTakenIn, this, [this](const QString& summary) {
        m_services.notifier.show({kTitle, summary, DesktopNotifier::Urgency::Normal, {}});
    });
    m_services.tray.setSoundingState(&m_ringer);
    connect(&m_services.tray, &TrayIcon::actionTriggered, this, &ResidentWindow::iconEvent);
}

ResidentWindow::~ResidentWindow()
{
    m_services.tray.setSoundingState(nullptr);
}

ResidentWindow::Start ResidentWindow::startUp()
{
    if (m_exited) {
        return Start::Ended;
    }
    switch (m_gate.pass([this] { return m_exited; })) {
    case StartGate::Result::AnotherCopyRuns:
        return Start::AnotherCopyRuns;
    case StartGate::Result::Ended:
        return Start::Ended;
    case StartGate::Result::Refused:
        return Start::Refused;
    case StartGate::Result::Pass:
        break;
    }
    m_services.tray.setMenu(m_menu.menu());
    m_services.tray.add(TrayIcon::Image::Application, kTitle);
    m_trayAdded = true;
    m_menu.setStartupChecks(m_settings.readSetting("STARTMD", "0") == "1");

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
    m_scheduler.start();
    // The option stays as the user set it: a helper gone missing since is
    // said on the standard error, and the editor says it when switched on.
    if (m_store.window().wakeUp != 0) {
        if (const std::optional<QString> why = m_scheduler.setWakeUp(true)) {
            std::fprintf(stderr, "kalvendorix: %s\n", why->toLocal8Bit().constData());
        }
    }
    return Start::Running;
}

void ResidentWindow::loadData()
{
    m_settings.loadAll(m_store.defaults(), m_store.window());
    LoadContext context;
    context.legacyMidiVolume = static_cast<std::int32_t>(m_sound.savedMidiVolume());
    context.legacyWaveVolume = static_cast<std::int32_t>(m_sound.savedWaveVolume());
    context.now = m_services.clock.nowOle();
    m_store.load(context);
    // Told once, as the load fails: the program runs on with empty tables, and
    // the user must not believe the alarms set. Nothing at the start waits for
    // the user: the alarm tick and the commands of the terminal run at once.
    if (const QString problem = loadProblemText(m_store.dataFile().lastProblem()); !problem.isEmpty()) {
        m_services.prompter.notice(problem);
    }
    tellOpenDataFolders();
    tellOtherComputers(m_watch.watch(m_settings.dataPath()));
}

// Another computer reaching the same data folder (a network share, a synced
// folder) runs too: its saves are merged at ours, and the user knows why.
void ResidentWindow::tellOtherComputers(const std::vector<DataFileLock::Holder>& others)
{
    if (others.empty()) {
        return;
    }
    m_services.prompter.notice(QStringLiteral(
        "このデータファイルは別のコンピューター（%1）でも使われています。変更は保存のときに合わせます。")
                                   .arg(QString::fromStdString(others.front().computer)));
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
        const FileProblem& problem = m_store.dataFile().lastProblem();
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
        rescue = writeRescueFile(m_store.tables(), m_settings.dataPath(), m_services.clock.nowOle());
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
    QString text = saveFailureText(saved, m_store.dataFile(), m_settings);
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

void ResidentWindow::iconEvent(TrayIcon::Action action)
{
    m_menu.setStartupChecks(m_services.autostart.isRegistered());
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
    const bool paused = !m_scheduler.paused();
    m_menu.setPaused(paused);
    m_scheduler.setPaused(paused);
}

void ResidentWindow::registerStartup()
{
    m_menu.setStartupChecks(true);
    if (!m_services.autostart.isRegistered()) {
        m_services.autostart.registerEntry();
    }
    m_settings.writeSettingToBoth("STARTMD", "1");
}

void ResidentWindow::removeStartup()
{
    m_menu.setStartupChecks(false);
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

bool ResidentWindow::snooze(int minutes)
{
    const std::optional<AlarmRecord> shown = m_ringer.shownAlarm();
    m_ringer.stopAction();
    if (!shown || !m_store.loaded() || m_exiting || m_exited) {
        return false;
    }
    const OleDate now = m_services.clock.nowOle();
    // The choice is remembered with the save of the timer, not for a timer refused.
    const std::int16_t remembered
        = std::exchange(m_store.window().snoozeMinutes, static_cast<std::int16_t>(minutes));
    const AlarmStore::QuickTimer added
        = m_store.addQuickTimer(snoozeRecord(*shown, now, minutes), now, AlarmStore::QuickSave::Now);
    if (added.refused) {
        m_store.window().snoozeMinutes = remembered;
        m_services.prompter.message(QString::fromStdString(*added.refused));
        return false;
    }
    if (!added.saved.ok()) {
        m_services.prompter.message(saveFailureText(added.saved, m_store.dataFile(), m_settings));
    }
    return added.saved.dataSaved();
}

void ResidentWindow::endDuringStartUp()
{
    m_exited = true;
    m_scheduler.stop();
    m_watch.stop();
    if (m_trayAdded) {
        m_services.tray.remove();
    }
    m_gate.undo();
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
    if (!m_store.loaded()) {
        endDuringStartUp();
        return;
    }
    m_exiting = true;
    const SaveResult saved = m_store.save(m_services.clock.nowOle());
    if (saved.ran && !saved.ok() && !endDespiteFailedSave(saved)) {
        m_exiting = false;
        return;
    }

    m_ringer.shutDown();
    m_scheduler.stop();
    m_watch.stop();

    m_services.tray.remove();
    m_gate.undo();

    m_store.clear();
    if (m_about) {
        m_about->hide();
    }
    m_exiting = false;
    m_exited = true;
    emit quitRequested();
}

} // namespace kvx
