#include "resident/AlarmRinger.h"

#include "resident/NotificationWindow.h"

namespace kvx {

namespace {

constexpr int kTickMs = 1000;
constexpr int kStopDelayMs = 500;
// The sound starts this long after the window: opening it may take a while,
// and the window's mapping and the desktop's notice leave first, when the
// event loop next hands its requests to the display.
constexpr int kSoundAfterWindowMs = 1;

} // namespace

AlarmRinger::AlarmRinger(const AlarmTable& table, Clock& clock, SoundController& sound, QObject* parent)
    : QObject(parent)
    , m_table(table)
    , m_clock(clock)
    , m_sound(sound)
    , m_ringingTick(clock.createTimer())
    , m_delayedStop(clock.createTimer())
    , m_soundStart(clock.createTimer())
{
    m_ringingTick->onTimeout = [this] { ringingTick(); };
    m_delayedStop->setSingleShot(true);
    m_delayedStop->onTimeout = [this] { stopAction(); };
    m_soundStart->setSingleShot(true);
    m_soundStart->onTimeout = [this] { startSound(); };
}

AlarmRinger::~AlarmRinger() = default;

void AlarmRinger::armDelayedStop()
{
    m_delayedStop->start(kStopDelayMs);
}

void AlarmRinger::cancelDelayedStop()
{
    m_delayedStop->stop();
}

NotificationWindow& AlarmRinger::notificationWindow()
{
    if (!m_window) {
        m_window = std::make_unique<NotificationWindow>();
        connect(m_window.get(), &NotificationWindow::stopRequested, this, &AlarmRinger::stopAction);
        connect(m_window.get(), &NotificationWindow::snoozeRequested, this, &AlarmRinger::snoozeRequested);
    }
    return *m_window;
}

void AlarmRinger::prepareWindow()
{
    NotificationWindow& window = notificationWindow();
    window.ensurePolished();
    window.winId();
}

void AlarmRinger::showMissed(const std::vector<MissedAlarm>& missed)
{
    std::vector<MissedAlarm> known;
    for (const MissedAlarm& bell : missed) {
        if (bell.alarmIndex >= 0 && bell.alarmIndex < m_table.alarmCount) {
            known.push_back(bell);
        }
    }
    if (known.empty()) {
        return;
    }
    if (!m_missed) {
        m_missed = std::make_unique<NotificationWindow>();
        connect(m_missed.get(), &NotificationWindow::stopRequested, m_missed.get(), &QWidget::hide);
    }
    const auto time = [](OleDate at) { return QString::fromStdString(at.formatTime()); };
    NotificationWindow::Appearance appearance = NotificationWindow::appearanceOf(
        m_table.alarms[static_cast<std::size_t>(known.front().alarmIndex)]);
    if (known.size() > 1) {
        QStringList lines;
        for (const MissedAlarm& bell : known) {
            const QString message
                = QString::fromStdString(m_table.alarms[static_cast<std::size_t>(bell.alarmIndex)].message);
            lines << time(bell.at) + QStringLiteral("  ") + message.section(QLatin1String("\r\n"), 0, 0);
        }
        appearance.message = lines.join(QLatin1String("\r\n"));
    }
    m_missed->fillForMissed(appearance, time(known.front().at));
    m_missed->show();
    m_missed->raise();
}

// The ringing follows the alarm as it fired, not the table row it came from:
// deleting an earlier alarm or editing this one changes nothing that rings.
const AlarmRecord* AlarmRinger::ringingAlarm() const
{
    return m_ringingIndex >= 0 && m_shownAlarm ? &*m_shownAlarm : nullptr;
}

void AlarmRinger::fire(int index, bool mainBell)
{
    const AlarmRecord& alarm = m_table.alarms[static_cast<std::size_t>(index)];
    m_keepWindow = alarm.keepWindow != 0;
    m_blinkTicks = 0;
    m_soundKind = SoundController::kNoSound;
    m_ringingIndex = index;
    m_alarmSounding = true;
    m_stopRequested = false;
    m_shownAlarm = alarm;

    NotificationWindow& window = notificationWindow();
    const QString time = m_clock.now().toString(QStringLiteral("HH:mm"));
    window.fillForAlarm(NotificationWindow::appearanceOf(alarm), mainBell, time);
    m_blinkActive = alarm.blink == 1;
    window.present();
    m_ringingTick->stop();
    m_ringingTick->start(kTickMs);
    emit rang(alarm, mainBell, time);
    m_soundStart->stop();
    if (!alarm.soundFile.empty() && alarm.sound == 1) {
        m_soundStart->start(kSoundAfterWindowMs);
    }
}

// A stop that came first, or a later ring, has taken the ring's place.
void AlarmRinger::startSound()
{
    if (const AlarmRecord* alarm = ringingAlarm(); alarm != nullptr && !m_stopRequested) {
        m_soundKind = m_sound.startAlarmSound(*alarm);
    }
}

void AlarmRinger::ringingTick()
{
    const AlarmRecord* alarm = ringingAlarm();
    if (alarm == nullptr) {
        endRinging(true);
        return;
    }
    NotificationWindow& window = notificationWindow();
    if (m_blinkActive) {
        if (m_blinkTicks < alarm->blinkCount) {
            if (window.isVisible()) {
                window.hide();
                ++m_blinkTicks;
            } else {
                window.show();
            }
        } else if (!m_stopRequested && m_keepWindow) {
            window.bringToFront();
            m_blinkActive = false;
        } else {
            window.hide();
        }
    }
    if (alarm->sound != 1) {
        return;
    }
    const MediaStatus state = m_sound.media().status();
    if (state == MediaStatus::Stopped) {
        if (alarm->endless == 1) {
            m_sound.media().playFromStart();
        } else {
            m_sound.media().close();
            if (m_blinkTicks >= alarm->blinkCount) {
                endRinging(true);
            }
        }
    } else if (state == MediaStatus::Closed && m_blinkTicks >= alarm->blinkCount) {
        endRinging(true);
    }
}

void AlarmRinger::endRinging(bool restoreVolumes)
{
    m_ringingTick->stop();
    if (restoreVolumes) {
        m_sound.restoreVolumes();
    }
    m_alarmSounding = false;
    m_ringingIndex = -1;
}

void AlarmRinger::stopAction()
{
    m_delayedStop->stop();
    // Stopped before its sound began, the ring has nothing to stop or restore.
    const bool soundPending = m_soundStart->isActive();
    m_soundStart->stop();
    emit stopped();
    const AlarmRecord* alarm = ringingAlarm();
    if (alarm != nullptr) {
        m_blinkTicks = alarm->blinkCount;
    }
    if (m_window && m_window->isVisible()) {
        m_window->hide();
    }
    if (alarm == nullptr) {
        return;
    }
    m_stopRequested = true;
    // Without a sound no volume was raised, and the user's own since then
    // stays; nothing is left to ring, so the ringing ends and stays ended.
    if (alarm->sound != 1 || soundPending) {
        endRinging(false);
        return;
    }
    const MediaStatus state = m_sound.media().status();
    if (state == MediaStatus::Playing) {
        m_sound.media().stop();
        m_sound.media().close();
    } else if (state == MediaStatus::Stopped) {
        m_sound.media().close();
    } else if (state == MediaStatus::Closed && m_soundKind == SoundController::kWaveFallback) {
        m_sound.fallback().stop();
    } else {
        return;
    }
    m_sound.restoreVolumes();
    m_alarmSounding = false;
}

void AlarmRinger::shutDown()
{
    if (const AlarmRecord* alarm = ringingAlarm(); alarm != nullptr && alarm->sound == 1) {
        stopAction();
    }
    m_sound.clearTestSound();
    m_sound.restoreVolumes();
    m_ringingTick->stop();
    m_delayedStop->stop();
    m_soundStart->stop();
    emit stopped();
    if (m_window) {
        m_window->hide();
    }
}

} // namespace kvx
