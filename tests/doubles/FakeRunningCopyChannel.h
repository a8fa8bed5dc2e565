#pragma once

#include "platform/RunningCopyChannel.h"

#include <vector>

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
    bool ask(CopyRequest request) override
    {
        m_asked.push_back(request);
        return m_answered;
    }

    void deliver(CopyRequest request) { emit requested(request); }
    void setAnswered(bool answered) { m_answered = answered; }
    int listenCount() const { return m_listens; }
    const std::vector<CopyRequest>& asked() const { return m_asked; }

private:
    int m_listens = 0;
    std::vector<CopyRequest> m_asked;
    bool m_answered = true;
};

} // namespace kvx
