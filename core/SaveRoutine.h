#pragma once

#include "core/DataFile.h"
#include "core/OleDate.h"
#include "core/Records.h"
#include "core/Settings.h"

#include <functional>
#include <vector>

namespace kvx {

// What one save achieved. A save that did not run (nothing loaded yet) wrote
// nothing and failed nothing.
struct SaveResult {
    bool ran = false;
    bool dataFileSaved = false;
    bool settingsSaved = false;

    bool ok() const { return ran && dataFileSaved && settingsSaved; }
    // The tables reached the data file; settings that did not follow them
    // are worth a warning, not a reason to hold the change back.
    bool dataSaved() const { return ran && dataFileSaved; }
};

// The one save of every save point (the exit sequence, the editor's "ＯＫ",
// the calendar window's "OK", its quick timer and its delete): the hooks let
// the windows copy their working state into the tables first, then the data
// file is written, then the settings files in their order.
//
// Nothing is ever saved before the tables were loaded from the data file (or
// found no file to load): tables that were never loaded would overwrite the
// user's alarms and settings with empty ones.
class SaveRoutine {
public:
    using Hook = std::function<void()>;

    SaveRoutine(SharedTables& tables, Settings& settings, DataFile& dataFile);

    // A hook runs before every save, in the order added; the returned id removes it.
    int addHook(Hook hook);
    void removeHook(int id);

    // Runs right after the data file is written, before the settings: what
    // belongs to the data file and is kept beside it.
    void setAfterDataFile(Hook hook) { m_afterDataFile = std::move(hook); }

    // Whether the tables hold what the data file held; set by the load.
    void setTablesLoaded(bool loaded) { m_tablesLoaded = loaded; }
    bool tablesLoaded() const { return m_tablesLoaded; }

    SaveResult save(OleDate now);

private:
    SharedTables& m_tables;
    Settings& m_settings;
    DataFile& m_dataFile;
    std::vector<std::pair<int, Hook>> m_hooks;
    Hook m_afterDataFile;
    int m_nextHookId = 1;
    bool m_tablesLoaded = false;
};

} // namespace kvx
