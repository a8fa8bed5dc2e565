#pragma once

#include "platform/DesktopServices.h"

#include <deque>

namespace kvx {

// Test double of the single-instance lock: answers "another copy runs" from a
// script, then with the last answer given (none running unless scripted).
class FakeInstanceGuard final : public InstanceGuard {
public:
    FakeInstanceGuard() = default;
    FakeInstanceGuard(std::initializer_list<bool> answers)
        : m_answers(answers)
    {
    }

    bool anotherCopyRunning() override;
    void release() override { ++m_releases; }

    std::optional<InstanceProblem> lastProblem() const override { return m_problem; }

    void queueAnswer(bool running) { m_answers.push_back(running); }
    // The lock can be neither taken nor cleared: every answer is "cannot tell".
    void setProblem(InstanceProblem problem)
    {
        m_problem = std::move(problem);
        m_last = true;
    }
    int askCount() const { return m_asks; }
    int releaseCount() const { return m_releases; }

private:
    std::deque<bool> m_answers;
    bool m_last = false;
    int m_asks = 0;
    int m_releases = 0;
    std::optional<InstanceProblem> m_problem;
};

} // namespace kvx
