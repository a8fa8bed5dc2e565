#pragma once

#include "doubles/FakeAutostart.h"
#include "doubles/FakeClock.h"
#include "doubles/FakeDatagramSender.h"
#include "doubles/FakeDialogs.h"
#include "doubles/FakeInstanceGuard.h"
#include "doubles/FakeLauncher.h"
#include "doubles/FakeMediaChannel.h"
#include "doubles/FakeNotifier.h"
#include "doubles/FakePrompter.h"
#include "doubles/FakeTrayIcon.h"
#include "doubles/FakeVolumeDevices.h"
#include "doubles/FakeWakeAlarm.h"
#include "doubles/FakeWallClockWatch.h"
#include "doubles/FakeWaveFallback.h"
#include "resident/ResidentServices.h"

#include <QDateTime>

namespace kvx {

// Every platform service of the program as a test double, bundled so that a
// tool or a benchmark can build the whole application in one line.
struct FakeDesktop {
    explicit FakeDesktop(const QDateTime& now)
        : clock(now)
    {
    }

    FakeClock clock;
    FakePrompter prompter;
    FakeDialogs dialogs;
    FakeTrayIcon tray;
    FakeMediaChannel media;
    FakeWaveFallback fallback;
    FakeVolumeDevices volumes;
    FakeInstanceGuard instance;
    FakeAutostart autostart;
    FakeLauncher launcher;
    FakeDatagramSender datagrams;
    FakeWallClockWatch wallClock;
    FakeNotifier notifier;
    FakeWakeAlarm wake;
    ResidentServices services{clock, prompter, tray, media, fallback, volumes, instance, autostart, launcher,
        datagrams, wallClock, notifier, wake};
};

} // namespace kvx
