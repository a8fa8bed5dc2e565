#include "core/SaveRoutine.h"

#include <algorithm>

namespace kvx {

SaveRoutine::SaveRoutine(SharedTables& tables, Settings& settings, DataFile& dataFile)
    : m_tables(tables)
    , m_settings(settings)
    , m_dataFile(dataFile)
{
}

int SaveRoutine::addHook(Hook hook)
{
    const int id = m_nextHookId++;
    m_hooks.emplace_back(id, std::move(hook));
    return id;
}

void SaveRoutine::removeHook(int id)
{
    std::erase_if(m_hooks, [id](const auto& entry) { return entry.first == id; });
}

SaveResult SaveRoutine::save(OleDate now)
{
    SaveResult result;
    if (!m_tablesLoaded) {
        return result;
    }
    result.ran = true;
    // A copy: a hook may remove itself while the hooks run.
    const auto hooks = m_hooks;
    for (const auto& [id, hook] : hooks) {
        hook();
    }
    result.dataFileSaved = m_dataFile.save(m_tables, m_settings.dataPath(), now);
    if (result.dataFileSaved && m_afterDataFile) {
        m_afterDataFile();
    }
    m_tables.window.dataPath = m_settings.dataPath();
    result.settingsSaved = m_settings.saveSettings(m_tables.defaults, m_tables.window);
    return result;
}

} // namespace kvx
