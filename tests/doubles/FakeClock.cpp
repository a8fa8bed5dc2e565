#include "doubles/FakeClock.h"

#include <algorithm>

namespace kvx {

class FakeClock::FakeTimer final : public Timer {
public:
    explicit FakeTimer(FakeClock* clock)
        : m_clock(clock)
    {
        m_clock->m_timers.push_back(this);
    }

    ~FakeTimer() override
    {
        if (m_clock) {
            std::erase(m_clock->m_timers, this);
        }
    }

    void start(int intervalMs) override
    {
        m_interval = std::max(intervalMs, 0);
        m_active = true;
        if (m_clock) {
            arm(m_clock->m_elapsedMs + m_interval);
        }
    }

    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    int interval() const override { return m_interval; }
    void setSingleShot(bool singleShot) override { m_singleShot = singleShot; }

    bool isDueBy(qint64 until) const { return m_active && m_interval > 0 && m_due <= until; }
    bool firesBefore(const FakeTimer& other) const
    {
        return m_due != other.m_due ? m_due < other.m_due : m_sequence < other.m_sequence;
    }
    qint64 due() const { return m_due; }

    // What the event loop does before it delivers the timeout: a single shot ends,
    // a periodic timer is due again one interval after this one.
    void rearmForNextTimeout()
    {
        if (m_singleShot) {
            m_active = false;
        } else {
            arm(m_due + m_interval);
        }
    }

    void detach() { m_clock = nullptr; }

private:
    void arm(qint64 due)
    {
        m_due = due;
        m_sequence = ++m_clock->m_startCount;
    }

    FakeClock* m_clock;
    int m_interval = 0;
    bool m_active = false;
    bool m_singleShot = false;
    qint64 m_due = 0;
    quint64 m_sequence = 0;
};

FakeClock::FakeClock(QDateTime start)
    : m_now(std::move(start))
{
}

FakeClock::~FakeClock()
{
    for (FakeTimer* timer : m_timers) {
        timer->detach();
    }
}

std::unique_ptr<Timer> FakeClock::createTimer()
{
    return std::make_unique<FakeTimer>(this);
}

void FakeClock::wait(int ms)
{
    ++m_waits;
    advanceMs(std::max(ms, 0));
}

FakeClock::FakeTimer* FakeClock::nextDue(qint64 until) const
{
    FakeTimer* next = nullptr;
    for (FakeTimer* timer : m_timers) {
        if (timer->isDueBy(until) && (!next || timer->firesBefore(*next))) {
            next = timer;
        }
    }
    return next;
}

void FakeClock::advanceMs(qint64 ms)
{
    const qint64 until = m_elapsedMs + std::max<qint64>(ms, 0);
    while (FakeTimer* timer = nextDue(until)) {
        // A callback may advance the clock itself (a wait); time never runs back.
        const qint64 at = std::max(timer->due(), m_elapsedMs);
        m_now = m_now.addMSecs(at - m_elapsedMs);
        m_elapsedMs = at;
        timer->rearmForNextTimeout();
        // A copy, so that a callback may delete its own timer.
        const std::function<void()> callback = timer->onTimeout;
        if (callback) {
            callback();
        }
    }
    if (until > m_elapsedMs) {
        m_now = m_now.addMSecs(until - m_elapsedMs);
        m_elapsedMs = until;
    }
}

} // namespace kvx
