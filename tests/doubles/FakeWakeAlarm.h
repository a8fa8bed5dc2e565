#pragma once

#include "platform/WakeAlarm.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kvx {

// Records what the computer would be woken for; `refusal` makes it unable to.
class FakeWakeAlarm : public WakeAlarm {
public:
    std::optional<QString> start() override
    {
        ++starts;
        m_running = !refusal;
        return refusal;
    }
    void arm(std::optional<std::int64_t> epochSeconds) override
    {
        if (m_running) {
            armed.push_back(epochSeconds);
        }
    }
    void stop() override { m_running = false; }
    // The helper ends by itself (killed); `starts` counts every start asked.
    void die()
    {
        m_running = false;
        ended();
    }
    bool running() const override { return m_running; }

    std::optional<QString> refusal;
    int starts = 0;
    std::vector<std::optional<std::int64_t>> armed; // every instant armed, in order

private:
    bool m_running = false;
};

} // namespace kvx
