#include "platform/QtTimer.h"

namespace kvx {

QtTimer::QtTimer()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        if (onTimeout) {
            onTimeout();
        }
    });
}

void QtTimer::start(int intervalMs)
{
    m_interval = intervalMs > 0 ? intervalMs : 0;
    m_idle = m_interval == 0;
    if (m_idle) {
        m_timer.stop();
    } else {
        m_timer.start(m_interval);
    }
}

void QtTimer::stop()
{
    m_idle = false;
    m_timer.stop();
}

bool QtTimer::isActive() const
{
    return m_idle || m_timer.isActive();
}

void QtTimer::setSingleShot(bool singleShot)
{
    m_timer.setSingleShot(singleShot);
}

} // namespace kvx
