#pragma once

#include "platform/Clock.h"

#include <vector>

namespace kvx {

// Test double of the clock: time stands still until a test advances it; each
// advance fires the due timers in time order, as the event loop would.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start);
    ~FakeClock() override;

    QDateTime now() const override { return m_now; }
    std::unique_ptr<Timer> createTimer() override;
    void wait(int ms) override;

    void setNow(const QDateTime& now) { m_now = now; }
    void advanceMs(qint64 ms);
    void advanceSecond() { advanceMs(1000); }
    void advanceMinute() { advanceMs(60 * 1000); }
    void advanceDay() { advanceMs(24LL * 3600 * 1000); }

    int waitCount() const { return m_waits; }

private:
    class FakeTimer;
    friend class FakeTimer;

    FakeTimer* nextDue(qint64 until) const;

    QDateTime m_now;
    // Timers run on elapsed time, which setNow leaves alone (as a monotonic clock would).
    qint64 m_elapsedMs = 0;
    quint64 m_startCount = 0;
    std::vector<FakeTimer*> m_timers;
    int m_waits = 0;
};

} // namespace kvx
