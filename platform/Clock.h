#pragma once

#include "core/OleDate.h"

#include <QDateTime>

#include <functional>
#include <memory>

namespace kvx {

// A timer of the service. It fires `onTimeout` every interval while active
// (once when single-shot). An interval of 0 never fires.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual int interval() const = 0;
    virtual void setSingleShot(bool singleShot) = 0;

    std::function<void()> onTimeout;
};

// The local date and time and the service's timers. Tests use the fake clock,
// which moves time and fires due timers without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;
    // Blocks for `ms` milliseconds, letting pending events run (the start gate's waits).
    virtual void wait(int ms) = 0;

    OleDate nowOle() const { return toOleDate(now()); }
    static OleDate toOleDate(const QDateTime& local);
    // The wall time `dateTime` shows in its own zone.
    static OleDate wallOf(const QDateTime& dateTime);
    static QDateTime fromOleDate(OleDate date);
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    std::unique_ptr<Timer> createTimer() override;
    void wait(int ms) override;
};

} // namespace kvx
