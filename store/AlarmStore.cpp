#include "store/AlarmStore.h"

#include "core/AlarmRecordCodec.h"
#include "core/DataFileCodec.h"
#include "schedule/QuickCommands.h"
#include "schedule/TableMerge.h"

#include <QStringList>

#include <algorithm>

namespace kvx {

namespace {

// The tables a data file holds.
SharedTables dataOf(const SharedTables& tables)
{
    SharedTables data;
    data.alarms = tables.alarms;
    data.routines = tables.routines;
    data.memos = tables.memos;
    return data;
}

QString mergeSummary(const TableMerge& merge, const std::string& rotaCopy)
{
    QStringList lines{QStringLiteral("別のコンピューターで保存された変更を合わせました。")};
    if (merge.alarmsFromTheirs > 0 || merge.alarmsRemovedByTheirs > 0) {
        lines << QStringLiteral("アラーム：追加・変更 %1件、削除 %2件")
                     .arg(merge.alarmsFromTheirs)
                     .arg(merge.alarmsRemovedByTheirs);
    }
    if (merge.changedOnBothSides > 0) {
        lines << QStringLiteral("両方で変更されたアラーム %1件は、両方の内容を残しました。")
                     .arg(merge.changedOnBothSides);
    }
    if (merge.memosFromTheirs > 0) {
        lines << QStringLiteral("メモ：%1件").arg(merge.memosFromTheirs);
    }
    if (merge.rotaFromTheirs) {
        lines << QStringLiteral("周期予定：別のコンピューターの内容にしました。");
    }
    if (merge.theirRotaSetAside) {
        lines << QStringLiteral(
            "周期予定は両方で変更されたため、こちらの内容を残しました。別のコンピューターの内容：%1")
                     .arg(QString::fromStdString(rotaCopy));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

AlarmStore::AlarmStore(Settings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_saver(m_tables, m_settings, m_dataFile)
    , m_computer(thisComputerName())
{
    rebuildDisplayOrder(m_tables.alarms, m_order);
}

AlarmStore::AlarmStore(Settings& settings, FileSink& sink, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_dataFile(sink)
    , m_saver(m_tables, m_settings, m_dataFile)
    , m_computer(thisComputerName())
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
        result.saved = saveTables(now);
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
    m_loadContext = context;
    m_base = dataOf(m_tables);
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
    const SaveResult result = saveTables(now);
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
    const SaveResult saved = saveTables(context.now);
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

SaveResult AlarmStore::saveTables(OleDate now)
{
    if (m_saver.tablesLoaded() && mergeOtherWriter(now) == OtherWriter::Refused) {
        SaveResult refused;
        refused.ran = true;
        return refused;
    }
    const SaveResult result = m_saver.save(now);
    if (result.dataSaved()) {
        m_base = dataOf(m_tables);
    }
    return result;
}

AlarmStore::OtherWriter AlarmStore::mergeOtherWriter(OleDate now)
{
    const std::string& path = m_settings.dataPath();
    const std::optional<std::string> bytes = m_dataFile.changedOnDisk(path);
    if (!bytes) {
        return OtherWriter::None;
    }
    SharedTables theirs;
    const DecodeResult decoded = decodeDataFile(*bytes, theirs,
        convertedRecordDefaults(m_loadContext.legacyMidiVolume, m_loadContext.legacyWaveVolume));
    if (decoded != DecodeResult::Current && decoded != DecodeResult::Converted) {
        // Damaged, or a newer version: it cannot be merged, and is never written over.
        if (!m_dataFile.keepConflictCopy(path, *bytes, m_computer, now)) {
            return OtherWriter::Refused;
        }
        m_dataFile.accept(path, *bytes);
        emit otherWriterTakenIn(
            QStringLiteral(
                "別のコンピューターが保存したデータファイルを読めないため、合わせずに残しました：%1")
                .arg(QString::fromStdString(DataFile::conflictCopyPath(path, m_computer, now))));
        return OtherWriter::None;
    }
    TableMerge merge = mergeTables(m_base, dataOf(m_tables), theirs);
    std::string rotaCopy;
    if (merge.theirRotaSetAside) {
        // Their whole file is kept, the rota in it.
        rotaCopy = DataFile::conflictCopyPath(path, m_computer, now);
        if (!m_dataFile.keepConflictCopy(path, *bytes, m_computer, now)) {
            return OtherWriter::Refused;
        }
    }
    m_dataFile.accept(path, *bytes);
    m_base = std::move(theirs);
    m_tables.alarms = std::move(merge.merged.alarms);
    m_tables.routines = std::move(merge.merged.routines);
    m_tables.memos = std::move(merge.merged.memos);
    changed(false);
    setModified(m_tables.alarms != m_base.alarms || m_tables.routines != m_base.routines);
    emit memosReplaced();
    if (merge.tookAnything() || merge.changedOnBothSides > 0 || merge.theirRotaSetAside) {
        emit otherWriterTakenIn(mergeSummary(merge, rotaCopy));
    }
    return OtherWriter::Merged;
}

bool AlarmStore::takeInOtherWriter(OleDate now)
{
    if (!m_saver.tablesLoaded() || m_modified) {
        return false; // merged at the next save
    }
    return mergeOtherWriter(now) == OtherWriter::Merged;
}

void AlarmStore::clear()
{
    m_tables.clearData();
    changed(false);
    emit memosReplaced();
}

} // namespace kvx
