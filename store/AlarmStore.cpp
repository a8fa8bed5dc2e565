#include "store/AlarmStore.h"

#include "schedule/QuickCommands.h"

#include <algorithm>

namespace kvx {

AlarmStore::AlarmStore(Settings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_saver(m_tables, m_settings, m_dataFile)
{
    rebuildDisplayOrder(m_tables.alarms, m_order);
}

AlarmStore::AlarmStore(Settings& settings, FileSink& sink, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_dataFile(sink)
    , m_saver(m_tables, m_settings, m_dataFile)
{
    rebuildDisplayOrder(m_tables.alarms, m_order);
}

void AlarmStore::changed(bool markModified)
{
    rebuildDisplayOrder(m_tables.alarms, m_order);
    ++m_orderBuilds;
    if (markModified) {
        setModified(true);
    }
    emit tablesChanged();
}

void AlarmStore::setModified(bool modified)
{
    if (m_modified != modified) {
        m_modified = modified;
        emit modifiedChanged(modified);
    }
}

int AlarmStore::addAlarm(const AlarmRecord& alarm)
{
    if (!m_tables.alarms.add(alarm)) {
        return -1;
    }
    changed(true);
    return m_tables.alarms.alarmCount - 1;
}

void AlarmStore::changeAlarm(int index, const AlarmRecord& alarm)
{
    if (index < 0 || index >= m_tables.alarms.alarmCount) {
        return;
    }
    m_tables.alarms.alarms[static_cast<std::size_t>(index)] = alarm;
    changed(true);
}

// From the last index down, so that each removal leaves the others in place.
void AlarmStore::removeAlarms(std::vector<int> indexes)
{
    std::sort(indexes.rbegin(), indexes.rend());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    for (const int index : indexes) {
        m_tables.alarms.remove(index);
    }
    if (!indexes.empty()) {
        changed(true);
    }
}

AlarmStore::QuickTimer AlarmStore::addQuickTimer(const AlarmRecord& timer, OleDate now, QuickSave save)
{
    QuickTimer result;
    result.refused = quickTimerProblem(m_tables.alarms, timer.message);
    if (result.refused) {
        return result;
    }
    m_tables.alarms.add(timer);
    result.index = m_tables.alarms.alarmCount - 1;
    if (save != QuickSave::Later) {
        result.saved = m_saver.save(now);
        if (!result.saved.dataFileSaved && save == QuickSave::NowOrTakeBack) {
            m_tables.alarms.remove(result.index);
            result.index = -1;
        }
    }
    // Saved, the tables hold what the file holds; not saved, a timer kept is a
    // change that must not be dropped.
    changed(false);
    if (result.saved.dataSaved()) {
        setModified(false);
    } else if (result.index >= 0) {
        setModified(true);
    }
    return result;
}

std::optional<Firing> AlarmStore::ringDueAlarm(OleDate now)
{
    std::optional<Firing> firing = fireDueAlarm(m_tables.alarms, now);
    if (firing) {
        changed(false);
    }
    return firing;
}

void AlarmStore::setRoutines(const RoutineList& routines)
{
    m_tables.routines = routines;
    changed(true);
}

void AlarmStore::changeMemos(const std::function<void(MemoLists&)>& change)
{
    change(m_tables.memos);
}

void AlarmStore::replaceData(SharedTables data)
{
    m_tables.alarms = std::move(data.alarms);
    m_tables.routines = std::move(data.routines);
    m_tables.memos = std::move(data.memos);
    changed(true);
    emit memosReplaced();
}

bool AlarmStore::load(const LoadContext& context, Memos memos)
{
    MemoLists kept = memos == Memos::Keep ? m_tables.memos : MemoLists{};
    const bool loaded = m_dataFile.load(m_tables, m_settings.dataPath(), context);
    m_saver.setTablesLoaded(true);
    if (memos == Memos::Keep) {
        m_tables.memos = std::move(kept);
    }
    changed(false);
    setModified(false);
    if (memos == Memos::FromFile) {
        emit memosReplaced();
    }
    return loaded;
}

SaveResult AlarmStore::save(OleDate now)
{
    const SaveResult result = m_saver.save(now);
    if (result.dataSaved()) {
        setModified(false);
    }
    return result;
}

AlarmStore::Switch AlarmStore::switchDataFile(
    const std::string& path, const RoutineList& routines, const LoadContext& context)
{
    using Outcome = Switch::Outcome;
    if (path == m_settings.dataPath()) {
        return {Outcome::Same, {}};
    }
    if (!m_settings.storedDataPath(path)) {
        return {Outcome::Unstorable, {}};
    }
    m_tables.routines = routines;
    const SaveResult saved = m_saver.save(context.now);
    if (!saved.ok()) {
        changed(true);
        if (saved.dataSaved()) {
            setModified(false);
        }
        return {Outcome::SaveFailed, saved};
    }
    m_settings.setDataPath(path);
    m_tables.window.dataPath = path;
    m_settings.writeSettingToBoth("DATAPATH", path);
    load(context, Memos::FromFile);
    return {Outcome::Switched, saved};
}

void AlarmStore::clear()
{
    m_tables.clearData();
    changed(false);
    emit memosReplaced();
}

} // namespace kvx
