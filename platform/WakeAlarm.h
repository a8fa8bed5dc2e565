#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace kvx {

// What wakes a sleeping computer at a set time (the real-time clock's wake
// alarm), for the next bell.
class WakeAlarm {
public:
    virtual ~WakeAlarm() = default;
    // Makes ready to wake the computer: nothing when it can, else why it cannot.
    virtual std::optional<QString> start() = 0;
    // Wakes the computer at `epochSeconds` (UTC), or never; one instant at a time.
    virtual void arm(std::optional<std::int64_t> epochSeconds) = 0;
    // Nothing wakes the computer any more.
    virtual void stop() = 0;
    virtual bool running() const = 0;
    // Called when what wakes the computer ended by itself (it was killed,
    // it crashed), not by stop().
    void setOnEnded(std::function<void()> ended) { m_onEnded = std::move(ended); }

protected:
    void ended() const
    {
        if (m_onEnded) {
            m_onEnded();
        }
    }

private:
    std::function<void()> m_onEnded;
};

} // namespace kvx
