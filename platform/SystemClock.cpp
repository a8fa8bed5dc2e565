#include "platform/Clock.h"
#include "platform/QtTimer.h"

#include <QEventLoop>
#include <QTimer>

namespace kvx {

OleDate Clock::toOleDate(const QDateTime& local)
{
    if (!local.isValid()) {
        return OleDate();
    }
    return wallOf(local.toLocalTime());
}

OleDate Clock::wallOf(const QDateTime& dateTime)
{
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    return OleDate::fromCivil(
        date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second());
}

QDateTime Clock::fromOleDate(OleDate date)
{
    const std::chrono::year_month_day ymd = date.ymd();
    const int seconds = date.secondsOfDay();
    const QDate day(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
        static_cast<int>(static_cast<unsigned>(ymd.day())));
    return QDateTime(day, QTime(seconds / 3600, seconds / 60 % 60, seconds % 60));
}

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

std::unique_ptr<Timer> SystemClock::createTimer()
{
    return std::make_unique<QtTimer>();
}

void SystemClock::wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms > 0 ? ms : 0, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace kvx
