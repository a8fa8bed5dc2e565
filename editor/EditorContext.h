#pragma once

#include "core/Settings.h"
#include "core/ViewState.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Prompter.h"
#include "platform/TrayIcon.h"
#include "store/AlarmStore.h"

namespace kvx {

class SoundController;

// What the editor works on and with, handed over by the application: the
// store of the tables, the shared view state, the platform services, and the
// pieces of the resident service it uses.
struct EditorContext {
    AlarmStore& store;
    Settings& settings;
    ViewState& view;
    Clock& clock;
    Prompter& prompter;
    Dialogs& dialogs;
    SoundController& sound;
    // An alarm rings: change and delete are refused.
    const SoundingState& sounding;
};

} // namespace kvx
