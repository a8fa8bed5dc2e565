#pragma once

#include "platform/Clock.h"
#include "platform/DatagramSender.h"
#include "platform/DesktopNotifier.h"
#include "platform/DesktopServices.h"
#include "platform/MediaChannel.h"
#include "platform/Prompter.h"
#include "platform/TrayIcon.h"
#include "platform/VolumeDevices.h"
#include "platform/WakeAlarm.h"
#include "platform/WallClockWatch.h"

namespace kvx {

// The outside world as the resident service sees it: real implementations in
// the program, test doubles in the tests.
struct ResidentServices {
    Clock& clock;
    Prompter& prompter;
    TrayIcon& tray;
    MediaChannel& media;
    WaveFallback& fallback;
    VolumeDevices& volumes;
    InstanceGuard& instance;
    Autostart& autostart;
    Launcher& launcher;
    DatagramSender& datagrams;
    WallClockWatch& wallClock;
    DesktopNotifier& notifier;
    WakeAlarm& wake;
};

} // namespace kvx
