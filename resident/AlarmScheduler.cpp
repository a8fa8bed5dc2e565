#include "resident/AlarmScheduler.h"

#include "resident/AlarmRinger.h"
#include "resident/NotificationWindow.h"
#include "resident/SoundController.h"
#include "schedule/NextAlarm.h"
#include "schedule/NextDue.h"
#include "store/AlarmStore.h"

#include <algorithm>
#include <array>

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
// A wake helper that ended by itself is started again after these waits, then given up.
constexpr std::array<int, 3> kWakeRetryMs = {2000, 30000, 300000};
// What the first ring needs is made this long before it.
constexpr qint64 kMediaLeadMs = 10 * 1000;
// The tick's last wait before a bell, at most.
constexpr qint64 kFinalApproachMs = 500;
// A sleeping computer is woken this long before a bell, so that the desktop is
// awake and the tick re-armed when it rings.
constexpr qint64 kWakeLeadSeconds = 60;

} // namespace

AlarmScheduler::AlarmScheduler(AlarmStore& store, AlarmRinger& ringer, SoundController& sound,
    ResidentServices& services, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_ringer(ringer)
    , m_sound(sound)
    , m_services(services)
    , m_alarmTick(services.clock.createTimer())
    , m_wakeRetry(services.clock.createTimer())
    , m_toolTip(kTitle)
{
    m_alarmTick->setSingleShot(true);
    m_alarmTick->onTimeout = [this] { alarmTick(); };
    m_wakeRetry->setSingleShot(true);
    m_wakeRetry->onTimeout = [this] { restartWakeHelper(); };
    m_services.wake.setOnEnded([this] { wakeHelperEnded(); });
    connect(&m_store, &AlarmStore::tablesChanged, this, &AlarmScheduler::restart);
    connect(&m_services.wallClock, &WallClockWatch::changed, this, &AlarmScheduler::wallClockChanged);
}

AlarmScheduler::~AlarmScheduler() = default;

void AlarmScheduler::start()
{
    m_running = true;
    restart();
}

void AlarmScheduler::stop()
{
    m_running = false;
    m_alarmTick->stop();
    m_services.wake.stop();
}

std::optional<QString> AlarmScheduler::setWakeUp(bool on)
{
    m_wakeRetry->stop();
    m_wakeRestarts = 0;
    if (!on) {
        m_services.wake.stop();
        return std::nullopt;
    }
    if (std::optional<QString> refused = m_services.wake.start()) {
        return refused;
    }
    armAlarmTick();
    return std::nullopt;
}

void AlarmScheduler::wakeHelperEnded()
{
    if (m_wakeRestarts >= static_cast<int>(kWakeRetryMs.size())) {
        emit wakeUpLost(
            QStringLiteral("補助プログラム kalvendorix-wake が何度も終了したため、スリープから起こせません"));
        return;
    }
    m_wakeRetry->start(kWakeRetryMs[static_cast<std::size_t>(m_wakeRestarts++)]);
}

void AlarmScheduler::restartWakeHelper()
{
    if (const std::optional<QString> refused = m_services.wake.start()) {
        emit wakeUpLost(*refused);
        return;
    }
    armAlarmTick(); // the new helper is armed for the next bell
}

bool AlarmScheduler::timerActive() const
{
    return m_alarmTick->isActive();
}

void AlarmScheduler::setPaused(bool paused)
{
    m_paused = paused;
    m_toolTip = paused ? kPausedTip : kTitle;
    m_services.tray.modify(paused ? TrayIcon::Image::Stop : TrayIcon::Image::Application, m_toolTip);
    // Resumed, the tip names the next bell at once, not from the next minute.
    if (!paused && m_running) {
        refreshToolTip(m_services.clock.nowOle());
    }
    // Paused, nothing wakes the tick; resumed, it waits for the next bell again.
    armAlarmTick();
}

QString AlarmScheduler::toolTipNow()
{
    if (!m_paused && m_running) {
        refreshToolTip(m_services.clock.nowOle());
    }
    return m_toolTip;
}

void AlarmScheduler::restart()
{
    if (!m_running) {
        return;
    }
    if (!m_paused) {
        refreshToolTip(m_services.clock.nowOle());
    }
    armAlarmTick();
}

void AlarmScheduler::alarmTick()
{
    ++m_ticks;
    const QDateTime instant = m_services.clock.now();
    const OleDate now = Clock::toOleDate(instant);
    if (m_paused) {
        emit woke(now);
        return;
    }
    // A ring changes the tables: the tip and the tick follow them from there.
    // The bells of the hour the clocks skip in spring ring at its end.
    if (const std::optional<Firing> firing
        = m_store.ringDueAlarm(now, skippedMinutes(m_local, instant.toSecsSinceEpoch()))) {
        m_ringer.notificationWindow().setSnoozeMinutes(m_store.window().snoozeMinutes);
        m_ringer.fire(firing->alarmIndex, firing->mainBell);
        return;
    }
    refreshToolTip(now);
    armAlarmTick();
    // After the bell's own second: another writer's file may be looked at.
    emit woke(now);
}

// The tick sleeps until the next second at which a bell can ring, or the next
// minute's start while the tip counts down to a bell, and never longer than
// kLongestWaitMs. The wait is measured on the wall clock; a jump of it re-arms.
// What the first ring needs is made before the wait is measured, so that the
// bell rings on its own second.
void AlarmScheduler::armAlarmTick()
{
    m_alarmTick->stop();
    if (m_paused || !m_running) {
        m_services.wake.arm(std::nullopt);
        return;
    }
    QDateTime now = m_services.clock.now();
    // The instant of this tick has been looked at: the next one is a later second.
    QDateTime nextSecond = now.addMSecs(1000 - now.time().msec());
    // The real instant of the bell's wall time: the end of a gap the clocks
    // skip, the first of two instants when they show the hour twice.
    const NextTick next = nextTick(m_store.alarms(), m_local, nextSecond.toSecsSinceEpoch());
    const QDateTime bell = QDateTime::fromSecsSinceEpoch(next.instant);
    // A sleeping computer wakes for the bell the tick waits for.
    m_services.wake.arm(
        next.found ? std::optional<std::int64_t>(bell.toSecsSinceEpoch() - kWakeLeadSeconds) : std::nullopt);
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
    m_alarmTick->start(static_cast<int>(wait) + kTickPhaseMs);
}

// The sound's set-up (GStreamer's), the notification window and what the
// notification server needs to be told are made shortly before the first
// bell rather than at the start. True when anything was made now.
bool AlarmScheduler::prepareFirstRing()
{
    if (m_firstRingPrepared) {
        return false;
    }
    m_firstRingPrepared = true;
    if (!m_sound.media().prepared()) {
        m_sound.media().prepare();
    }
    m_ringer.prepareWindow();
    if (m_store.window().desktopNotify != 0) {
        m_services.notifier.prepare();
    }
    return true;
}

void AlarmScheduler::refreshToolTip(OleDate now)
{
    OleDate nextRingAt;
    // Whole seconds, as the wall time `now` is taken.
    const RealNow real{m_local, m_services.clock.now().toSecsSinceEpoch() * 1000};
    const auto text = nextAlarmTooltip(m_store.alarms(), now, nextRingAt, &real);
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

void AlarmScheduler::wallClockChanged(bool resumed)
{
    if (resumed && !m_paused && m_running) {
        tellMissedAlarms(m_lastCheck, m_services.clock.nowOle());
    }
    restart();
}

// Whether the tick at `now` still rings this bell: the machine woke within its
// minute (or a quick timer's minute after it), so it is rung, not missed.
bool AlarmScheduler::stillRings(const Firing& firing, OleDate now) const
{
    const DueBells due
        = dueBellsAt(m_store.alarms().alarms[static_cast<std::size_t>(firing.alarmIndex)], now);
    return (firing.mainBell && due.mainBell) || (firing.preAlarm && due.preAlarm);
}

// The bells the tick would have rung between two looks, found on a copy of
// the table: their last-ring times stay as they are, for they did not ring.
void AlarmScheduler::tellMissedAlarms(OleDate from, OleDate until)
{
    if (from.isZero() || until.totalSeconds() <= from.totalSeconds()) {
        return;
    }
    const OleDate oldest = until.plusSeconds(-kMissedNoticeSeconds);
    AlarmTable table = m_store.alarms();
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

} // namespace kvx
