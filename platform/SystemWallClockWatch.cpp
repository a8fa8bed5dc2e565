#include "platform/WallClockWatch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

namespace kvx {

namespace {

const QString kZoneFile = QStringLiteral("/etc/localtime");
// The boot clock runs on while the machine sleeps, the monotonic one stops.
constexpr long long kSleepThresholdNs = 1'000'000'000LL;

long long clockNs(clockid_t clock)
{
    timespec now{};
    ::clock_gettime(clock, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

long long sleptNs()
{
    return clockNs(CLOCK_BOOTTIME) - clockNs(CLOCK_MONOTONIC);
}

} // namespace

struct SystemWallClockWatch::Watchers {
    std::unique_ptr<QSocketNotifier> clock;
    QFileSystemWatcher zone;
};

SystemWallClockWatch::SystemWallClockWatch(QObject* parent)
    : WallClockWatch(parent)
    , m_fd(::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC))
    , m_sleptNs(sleptNs())
    , m_watchers(std::make_unique<Watchers>())
{
    if (m_fd >= 0) {
        m_watchers->clock = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_watchers->clock.get(), &QSocketNotifier::activated, this, &SystemWallClockWatch::clockSet);
        arm();
    }
    if (QFileInfo::exists(kZoneFile)) {
        m_watchers->zone.addPath(kZoneFile);
    }
    connect(&m_watchers->zone, &QFileSystemWatcher::fileChanged, this, &SystemWallClockWatch::zoneChanged);
}

SystemWallClockWatch::~SystemWallClockWatch()
{
    m_watchers.reset();
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

// A timer that never expires: only a set of the clock ends its wait.
void SystemWallClockWatch::arm()
{
    itimerspec far{};
    far.it_value.tv_sec = static_cast<time_t>(INT32_MAX);
    ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &far, nullptr);
}

void SystemWallClockWatch::clockSet()
{
    std::uint64_t expirations = 0;
    const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
    if (n < 0 && errno != ECANCELED) {
        return;
    }
    arm();
    emit changed(sleptSinceLastLook());
}

void SystemWallClockWatch::zoneChanged()
{
    // The zone file is replaced rather than written: the watch goes with the old one.
    if (QFileInfo::exists(kZoneFile) && !m_watchers->zone.files().contains(kZoneFile)) {
        m_watchers->zone.addPath(kZoneFile);
    }
    ::tzset();
    emit changed(sleptSinceLastLook());
}

bool SystemWallClockWatch::sleptSinceLastLook()
{
    const long long slept = sleptNs();
    const bool resumed = slept - m_sleptNs > kSleepThresholdNs;
    m_sleptNs = slept;
    return resumed;
}

} // namespace kvx
