#pragma once

#include "platform/WakeAlarm.h"

#include <QProcess>
#include <QStringList>

namespace kvx {

// Wakes the computer through the helper kalvendorix-wake, the one file that
// holds CAP_WAKE_ALARM: it keeps one timer on the kernel's alarm clock, armed
// for the instant written on its standard input, and ends with that input.
class HelperWakeAlarm : public WakeAlarm {
public:
    // `helperPaths`: where to look for the helper, in order.
    explicit HelperWakeAlarm(QStringList helperPaths);
    ~HelperWakeAlarm() override;
    HelperWakeAlarm(const HelperWakeAlarm&) = delete;
    HelperWakeAlarm& operator=(const HelperWakeAlarm&) = delete;

    std::optional<QString> start() override;
    void arm(std::optional<std::int64_t> epochSeconds) override;
    void stop() override;
    bool running() const override;

    // Beside the program in a build folder, <prefix>/lib/kalvendorix installed.
    static QStringList helperPaths(const QString& programDirectory);
    // The helper's process, 0 when none runs.
    qint64 processId() const;

private:
    QStringList m_paths;
    QProcess m_helper;
    std::optional<std::int64_t> m_armed;
    bool m_armedKnown = false;
    bool m_ready = false; // it said "ready": its end from now on is told
    bool m_stopping = false;
};

} // namespace kvx
