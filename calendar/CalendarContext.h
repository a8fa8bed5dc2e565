#pragma once

#include "core/DataFile.h"
#include "core/Records.h"
#include "core/SaveRoutine.h"
#include "core/Settings.h"
#include "core/ViewState.h"
#include "platform/Clock.h"
#include "platform/DatagramSender.h"
#include "platform/Prompter.h"

#include <functional>

namespace kvx {

// What the calendar window works on and with, handed over by the application:
// the shared tables and view state, the one save routine and the platform
// services, and the few pieces of the other windows it uses.
struct CalendarContext {
    SharedTables& tables;
    Settings& settings;
    DataFile& dataFile;
    ViewState& view;
    SaveRoutine& saver;
    Clock& clock;
    Prompter& prompter;
    // The memo hand-over to the sticky-note program.
    DatagramSender& datagrams;
    // An alarm rings: delete does nothing.
    std::function<bool()> alarmSounding;
    // Appends a quick timer of this many minutes as the editor's fields make
    // it; without one, the remembered defaults make it.
    std::function<void(int)> addQuickTimer;
};

} // namespace kvx
