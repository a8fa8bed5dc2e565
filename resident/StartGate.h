#pragma once

#include "core/Settings.h"
#include "resident/ResidentServices.h"

#include <functional>

namespace kvx {

// The start gate: reads "DATAPATH" and "STARTFLG" and asks the instance guard
// whether another copy runs. A stale flag, or a copy that is just ending,
// costs at most two waits of a second; then the flag is raised in both
// settings files and the lock is held.
class StartGate {
public:
    enum class Result { Pass, AnotherCopyRuns, Ended, Refused };

    StartGate(Settings& settings, ResidentServices& services);

    // `ended` tells whether the session ended during a wait: then the start
    // goes no further. Refused: whether another copy runs could not be told
    // (the lock can be neither taken nor cleared); the user was told why.
    Result pass(const std::function<bool()>& ended);
    // Lowers the flag and lets go of the lock, as far as the gate took them.
    void undo();

private:
    void readState(int& flag, bool& running);
    bool refused();

    Settings& m_settings;
    ResidentServices& m_services;
    bool m_lockHeld = false;
    bool m_flagRaised = false;
};

} // namespace kvx
