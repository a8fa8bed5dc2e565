#pragma once

#include "core/DataFile.h"
#include "core/Records.h"
#include "core/SaveRoutine.h"
#include "core/Settings.h"
#include "core/ViewState.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Prompter.h"

#include <QString>

#include <functional>

class QWidget;

namespace kvx {

class SoundController;

// What the editor works on and with, handed over by the application: the
// shared tables and view state, the one save routine, the platform services,
// and the few pieces of the resident service it reads.
struct EditorContext {
    SharedTables& tables;
    Settings& settings;
    DataFile& dataFile;
    ViewState& view;
    SaveRoutine& saver;
    Clock& clock;
    Prompter& prompter;
    Dialogs& dialogs;
    SoundController& sound;
    // An alarm rings: change and delete are refused.
    std::function<bool()> alarmSounding;
    // The device chooser, while no sound device has been chosen.
    std::function<void(QWidget*)> chooseSoundDevices;
    // A device chosen in the sound tab, remembered at once.
    std::function<void(const QString&, const QString&)> adoptSoundDevices;
    // The calendar window that the position options move; null while there is none.
    std::function<QWidget*()> calendarWindow;
};

} // namespace kvx
