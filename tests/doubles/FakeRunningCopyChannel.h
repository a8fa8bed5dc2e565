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

    std::optional<CommandAnswer> command(const std::vector<std::string>& arguments) override
    {
        m_commands.push_back(arguments);
        if (!m_answered) {
            return std::nullopt;
        }
        return m_answer;
    }

    void deliver(CopyRequest request) { emit requested(request); }
    // Another start's command, carried out as the running copy would.
    CommandAnswer deliverCommand(const std::vector<std::string>& arguments)
    {
        return onCommand ? onCommand(arguments) : CommandAnswer{1, {}, {}};
    }
    void setAnswer(CommandAnswer answer) { m_answer = std::move(answer); }
    const std::vector<std::vector<std::string>>& commands() const { return m_commands; }
    void setAnswered(bool answered) { m_answered = answered; }
    int listenCount() const { return m_listens; }
    const std::vector<CopyRequest>& asked() const { return m_asked; }

private:
    int m_listens = 0;
    std::vector<CopyRequest> m_asked;
    std::vector<std::vector<std::string>> m_commands;
    CommandAnswer m_answer;
    bool m_answered = true;
};

} // namespace kvx
