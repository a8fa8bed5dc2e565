#pragma once

#include <QObject>
#include <QString>

#ifndef Q_MOC_RUN
#include "core/Records.h"
#include "platform/DesktopNotifier.h"
#endif

namespace kvx {

// The desktop notification beside the alarm window: sent when an alarm rings
// (while "NOTIFYFLG" is on), taken away when that ring is stopped or replaced.
// Its action "止める" runs the stop action, as the window's "OK" does; its
// action "５分後にもう一度" puts the alarm off by the snooze's minutes, as the
// window's "スヌーズ" does.
class DesktopAlarmNotice : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kStopKey = "stop";
    static constexpr const char* kSnoozeKey = "snooze";

    DesktopAlarmNotice(DesktopNotifier& notifier, const WindowSettings& window, QObject* parent = nullptr);
    ~DesktopAlarmNotice() override;
    DesktopAlarmNotice(const DesktopAlarmNotice&) = delete;
    DesktopAlarmNotice& operator=(const DesktopAlarmNotice&) = delete;

    // What the desktop is told of a ring at `time` ("hh:nn"), which can be
    // put off by `snoozeMinutes`.
    static DesktopNotifier::Notice noticeFor(
        const AlarmRecord& alarm, bool mainBell, const QString& time, int snoozeMinutes);

    void rang(const AlarmRecord& alarm, bool mainBell, const QString& time, int snoozeMinutes);
    void stopped();

signals:
    void stopRequested();
    void snoozeRequested(int minutes);

private:
    void actionInvoked(DesktopNotifier::Handle handle, const QString& key);

    DesktopNotifier& m_notifier;
    const WindowSettings& m_window;
    // The minutes the shown notification offers to put the alarm off by.
    int m_snoozeMinutes = 0;
    // The notification of the ring in progress; 0 when there is none.
    DesktopNotifier::Handle m_shown = 0;
};

} // namespace kvx
