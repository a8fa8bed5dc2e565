#pragma once

#include <QObject>

#include <memory>

namespace kvx {

// Tells when the wall clock jumped, so that a wait for a wall-clock moment can
// be measured again: the system time or the time zone was set, or the machine
// woke from suspend (`resumed`).
class WallClockWatch : public QObject {
    Q_OBJECT

public:
    explicit WallClockWatch(QObject* parent = nullptr)
        : QObject(parent)
    {
    }

signals:
    void changed(bool resumed);
};

// Over a timerfd on CLOCK_REALTIME that the kernel cancels when the clock is
// set or the machine resumes, and a watch on /etc/localtime. A resume is told
// apart from a clock set by the boot clock running ahead of the monotonic one.
class SystemWallClockWatch final : public WallClockWatch {
    Q_OBJECT

public:
    explicit SystemWallClockWatch(QObject* parent = nullptr);
    ~SystemWallClockWatch() override;

private:
    void arm();
    void clockSet();
    void zoneChanged();
    bool sleptSinceLastLook();

    int m_fd = -1;
    long long m_sleptNs = 0;
    struct Watchers;
    std::unique_ptr<Watchers> m_watchers;
};

} // namespace kvx
