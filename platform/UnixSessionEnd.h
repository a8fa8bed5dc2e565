#pragma once

#include "platform/DesktopServices.h"

#include <QObject>

#include <atomic>
#include <csignal>

class QSocketNotifier;

namespace kvx {

// SIGTERM, SIGHUP, SIGINT and the desktop session's logout, reported once on
// the UI thread. The signal handler only writes the signal number into a socket
// pair; the event loop reads it. One instance at a time.
class UnixSessionEnd final : public QObject, public SessionEnd {
    Q_OBJECT
public:
    explicit UnixSessionEnd(QObject* parent = nullptr);
    ~UnixSessionEnd() override;

private:
    static void handleSignal(int signalNumber);
    void readSignals();

    // Lock-free, so the signal handler may read it.
    static std::atomic<int> s_writeFd;
    int m_fds[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_previous[3] = {};
};

} // namespace kvx
