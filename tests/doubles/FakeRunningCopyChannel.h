#pragma once

#include "platform/RunningCopyChannel.h"

namespace kvx {

// Test double of the channel between two starts: records what the program
// asked, and lets a test deliver another start's request.
class FakeRunningCopyChannel final : public RunningCopyChannel {
    Q_OBJECT

public:
    bool listen() override
    {
        ++m_listens;
        return true;
    }
    bool askToShow() override
    {
        ++m_asks;
        return m_answered;
    }

    void deliverShowRequest() { emit showRequested(); }
    void setAnswered(bool answered) { m_answered = answered; }
    int listenCount() const { return m_listens; }
    int askCount() const { return m_asks; }

private:
    int m_listens = 0;
    int m_asks = 0;
    bool m_answered = true;
};

} // namespace kvx
