#include "resident/DesktopAlarmNotice.h"

#include "schedule/MonthGrid.h"

#include <string>

namespace kvx {

DesktopAlarmNotice::DesktopAlarmNotice(
    DesktopNotifier& notifier, const WindowSettings& window, QObject* parent)
    : QObject(parent)
    , m_notifier(notifier)
    , m_window(window)
{
    m_notifier.onAction
        = [this](DesktopNotifier::Handle handle, const QString& key) { actionInvoked(handle, key); };
    m_notifier.onClosed = [this](DesktopNotifier::Handle handle) {
        if (handle == m_shown) {
            m_shown = 0;
        }
    };
}

DesktopAlarmNotice::~DesktopAlarmNotice()
{
    m_notifier.onAction = nullptr;
    m_notifier.onClosed = nullptr;
}

DesktopNotifier::Notice DesktopAlarmNotice::noticeFor(
    const AlarmRecord& alarm, bool mainBell, const QString& time, int snoozeMinutes)
{
    DesktopNotifier::Notice notice;
    notice.summary = QStringLiteral("Kalvendorix (アラーム) %1 %2")
                         .arg(mainBell ? QStringLiteral("本鈴") : QStringLiteral("予鈴"), time);
    // The stored text breaks lines with CR LF.
    notice.body = QString::fromStdString(alarm.message).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    notice.urgency = mainBell ? DesktopNotifier::Urgency::Critical : DesktopNotifier::Urgency::Normal;
    notice.actions.push_back({QLatin1String(kStopKey), QStringLiteral("止める")});
    notice.actions.push_back({QLatin1String(kSnoozeKey),
        QString::fromStdString(fullWidthDigits(std::to_string(snoozeMinutes)))
            + QStringLiteral("分後にもう一度")});
    return notice;
}

void DesktopAlarmNotice::rang(const AlarmRecord& alarm, bool mainBell, const QString& time, int snoozeMinutes)
{
    // A new ring takes over from the one before, notification included.
    stopped();
    if (m_window.desktopNotify == 0) {
        return;
    }
    m_snoozeMinutes = snoozeMinutes;
    m_shown = m_notifier.show(noticeFor(alarm, mainBell, time, snoozeMinutes));
}

void DesktopAlarmNotice::stopped()
{
    if (m_shown == 0) {
        return;
    }
    const DesktopNotifier::Handle shown = m_shown;
    m_shown = 0;
    m_notifier.close(shown);
}

void DesktopAlarmNotice::actionInvoked(DesktopNotifier::Handle handle, const QString& key)
{
    if (handle != m_shown) {
        return;
    }
    if (key == QLatin1String(kStopKey)) {
        emit stopRequested();
    } else if (key == QLatin1String(kSnoozeKey)) {
        emit snoozeRequested(m_snoozeMinutes);
    }
}

} // namespace kvx
