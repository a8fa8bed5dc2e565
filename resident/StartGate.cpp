#include "resident/StartGate.h"

#include "ui/ProblemText.h"

namespace kvx {

StartGate::StartGate(Settings& settings, ResidentServices& services)
    : m_settings(settings)
    , m_services(services)
{
}

void StartGate::readState(int& flag, bool& running)
{
    m_settings.setDataPath(m_settings.readDataPath());
    flag = m_settings.readInt("STARTFLG", 0);
    running = m_services.instance.anotherCopyRunning();
    m_lockHeld = !running;
}

// A lock that can be neither taken nor cleared is no reason to wait: the
// program does not start, and says why, rather than risk a second copy.
bool StartGate::refused()
{
    const std::optional<InstanceProblem> problem = m_services.instance.lastProblem();
    if (problem) {
        m_services.prompter.message(problemText(QStringLiteral("起動を確認できませんでした"),
            problem->path.toStdString(), problem->reason.toStdString()));
    }
    return problem.has_value();
}

StartGate::Result StartGate::pass(const std::function<bool()>& ended)
{
    int flag = 0;
    bool running = false;
    readState(flag, running);
    if (refused()) {
        return Result::Refused;
    }
    if (flag == 1 && running) {
        return Result::AnotherCopyRuns;
    }
    // The session may end during a wait: then the start-up goes no further.
    for (int retry = 0; retry < 2 && (flag != 0 || running); ++retry) {
        m_services.clock.wait(1000);
        if (ended()) {
            return Result::Ended;
        }
        readState(flag, running);
        if (refused()) {
            return Result::Refused;
        }
    }
    // A stale flag alone is let pass, but never a second running copy: two
    // copies would each save their own tables over the other's at exit.
    if (running) {
        return Result::AnotherCopyRuns;
    }
    m_settings.writeRunningFlagToBoth(true);
    m_flagRaised = true;
    return Result::Pass;
}

void StartGate::undo()
{
    if (m_flagRaised) {
        m_settings.writeRunningFlagToBoth(false);
        m_flagRaised = false;
    }
    if (m_lockHeld) {
        m_services.instance.release();
        m_lockHeld = false;
    }
}

} // namespace kvx
