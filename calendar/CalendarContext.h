#pragma once

#include "core/Settings.h"
#include "core/ViewState.h"
#include "platform/Clock.h"
#include "platform/DatagramSender.h"
#include "platform/Prompter.h"
#include "platform/TrayIcon.h"
#include "store/AlarmStore.h"

namespace kvx {

// What the calendar window works on and with, handed over by the application:
// the store of the tables, the shared view state and the platform services.
struct CalendarContext {
    AlarmStore& store;
    Settings& settings;
    ViewState& view;
    Clock& clock;
    Prompter& prompter;
    // The memo hand-over to the sticky-note program.
    DatagramSender& datagrams;
    // An alarm rings: delete does nothing.
    const SoundingState& sounding;
};

} // namespace kvx
