#include "store/AlarmStore.h"

#include "core/AlarmIds.h"
#include "core/AlarmRecordCodec.h"
#include "core/DataFileCodec.h"
#include "core/SyncConflicts.h"
#include "core/WholeFile.h"
#include "schedule/QuickCommands.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

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

QString mergeSummary(const TableMerge& merge, const QString& headline, const QString& theirRota)
{
    QStringList lines{headline};
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
                     .arg(theirRota);
    }
    return lines.join(QLatin1Char('\n'));
}

// Why a merge that would pass the table's size is not saved.
std::string tableFullReason()
{
    return "別のコンピューターで保存されたアラームと合わせると" + std::to_string(AlarmTable::kMaxAlarms)
        + "件を超えるため、どちらの表も書き換えませんでした。アラームの表が一杯です";
}

} // namespace

AlarmStore::AlarmStore(Settings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_saver(m_tables, m_settings, m_dataFile)
    , m_computer(thisComputerName())
    , m_folderLink(m_dataFile.sink())
{
    rebuildDisplayOrder(m_tables.alarms, m_order);
    m_saver.setAfterDataFile([this] { writeIds(); });
}

AlarmStore::AlarmStore(Settings& settings, FileSink& sink, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_dataFile(sink)
    , m_saver(m_tables, m_settings, m_dataFile)
    , m_computer(thisComputerName())
    , m_folderLink(m_dataFile.sink())
{
    rebuildDisplayOrder(m_tables.alarms, m_order);
    m_saver.setAfterDataFile([this] { writeIds(); });
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
    m_ids.push_back(newAlarmId());
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
        if (index >= 0 && index < m_tables.alarms.alarmCount) {
            m_ids.erase(m_ids.begin() + index);
        }
        m_tables.alarms.remove(index);
    }
    if (!indexes.empty()) {
        changed(true);
    }
}

AlarmStore::QuickTimer AlarmStore::addQuickTimer(const AlarmRecord& timer, OleDate now, QuickSave save)
{
    QuickTimer result;
    const bool unsavedBefore = m_modified;
    result.refused = quickTimerProblem(m_tables.alarms, timer.message);
    if (result.refused) {
        return result;
    }
    m_tables.alarms.add(timer);
    const std::string id = newAlarmId();
    m_ids.push_back(id);
    result.index = m_tables.alarms.alarmCount - 1;
    if (save != QuickSave::Later) {
        result.saved = saveTables(now);
        if (!result.saved.dataFileSaved && save == QuickSave::NowOrTakeBack) {
            // By its identity: a merge of the failed save may have moved it.
            takeBack({id});
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
    } else {
        // Taken back: what the save's merge took in is no change of this copy's.
        setModified(unsavedBefore);
    }
    return result;
}

std::optional<Firing> AlarmStore::ringDueAlarm(OleDate now, const std::vector<OleDate>& skipped)
{
    std::optional<Firing> firing = fireDueAlarm(m_tables.alarms, now, skipped);
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
    // Alarms the table holds already keep their identities.
    m_ids = matchAlarmIds(data.alarms, encodeAlarmIds(m_tables.alarms, m_ids));
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
    m_ids = idsBeside(m_tables.alarms);
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
    // A file that could not be read leaves a blank table: no folder is synced with that.
    if (!m_dataFile.lastProblem().failed()) {
        syncCalendarFolder(context.now);
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

// One save is one transaction on the data folder: under the lock every copy
// honours, the file on disk is read again, another writer's save merged in,
// and the tables written and renamed into place before anyone else may look.
SaveResult AlarmStore::saveTables(OleDate now, FolderSync* folderTaken)
{
    if (!m_saver.tablesLoaded()) {
        return m_saver.save(now); // runs nothing: the tables were never loaded
    }
    SaveResult refused;
    refused.ran = true;
    const std::string& path = m_settings.dataPath();
    const SaveLock lock(path, m_lockWait);
    if (lock.state() == SaveLock::State::Busy) {
        const std::string holder = lock.holder().empty() ? "不明" : lock.holder();
        m_dataFile.refuseSave(path,
            "別のコンピューター（" + holder + "）がデータファイルを保存中のままのため、"
                + std::to_string((m_lockWait.count() + 999) / 1000) + "秒待っても保存できませんでした");
        return refused;
    }
    if (mergeOtherWriter(now, true) == OtherWriter::Refused) {
        return refused;
    }
    std::optional<FolderSync> folder;
    if (folderTaken != nullptr) {
        folder = std::move(*folderTaken);
    } else {
        folder = m_folderLink.merge(m_tables.window.calendarFolder, path, m_tables.alarms, m_ids);
        if (folder && folder->changesTable()) {
            takeFolder(*folder);
        }
    }
    const SaveResult result = m_saver.save(now);
    if (result.dataSaved()) {
        m_base = dataOf(m_tables);
        setMergedCopiesAside();
        // The folder follows the data file, never a table that is not saved.
        if (folder) {
            m_folderLink.write(*folder);
        }
    }
    tellFolderNews();
    return result;
}

void AlarmStore::takeMerge(TableMerge& merge, const std::vector<std::string>& theirIds)
{
    std::vector<std::string> ids;
    std::unordered_set<std::string> given;
    ids.reserve(merge.alarmSources.size());
    for (const TableMerge::Source& source : merge.alarmSources) {
        const std::vector<std::string>& side = source.side == 0 ? m_ids : theirIds;
        std::string id = source.index < side.size() ? side[source.index] : newAlarmId();
        // Both versions of an alarm changed on both sides: the second is a new alarm.
        while (!given.insert(id).second) {
            id = newAlarmId();
        }
        ids.push_back(std::move(id));
    }
    m_ids = std::move(ids);
    m_tables.alarms = std::move(merge.merged.alarms);
    m_tables.routines = std::move(merge.merged.routines);
    m_tables.memos = std::move(merge.merged.memos);
    // What came from the file is saved; what this copy had not saved still is not.
    const bool stillUnsaved
        = m_modified && (m_tables.alarms != m_base.alarms || m_tables.routines != m_base.routines);
    changed(false);
    setModified(stillUnsaved);
    emit memosReplaced();
}

AlarmStore::OtherWriter AlarmStore::mergeOtherWriter(OleDate now, bool readAlways)
{
    const std::string& path = m_settings.dataPath();
    const std::optional<std::string> bytes = m_dataFile.changedOnDisk(path, readAlways);
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
    if (merge.alarmsLeftOut > 0) {
        // Neither table loses an alarm: theirs stays on disk, ours here.
        m_dataFile.refuseSave(path, tableFullReason());
        return OtherWriter::Refused;
    }
    std::string rotaCopy;
    if (merge.theirRotaSetAside) {
        // Their whole file is kept, the rota in it.
        rotaCopy = DataFile::conflictCopyPath(path, m_computer, now);
        if (!m_dataFile.keepConflictCopy(path, *bytes, m_computer, now)) {
            return OtherWriter::Refused;
        }
    }
    m_dataFile.accept(path, *bytes);
    const std::vector<std::string> theirIds = idsBeside(theirs.alarms);
    m_base = std::move(theirs);
    takeMerge(merge, theirIds);
    if (merge.tookAnything() || merge.changedOnBothSides > 0 || merge.theirRotaSetAside) {
        emit otherWriterTakenIn(
            mergeSummary(merge, QStringLiteral("別のコンピューターで保存された変更を合わせました。"),
                QString::fromStdString(rotaCopy)));
    }
    return OtherWriter::Merged;
}

bool AlarmStore::takeInOtherWriter(OleDate now)
{
    // A stat first: the lock and the read only when the file looks changed.
    if (!m_saver.tablesLoaded() || !m_dataFile.looksChanged(m_settings.dataPath())) {
        return false;
    }
    // Read under the lock, so that the file and its identities are one save's;
    // a writer that holds it now is looked at again later.
    const SaveLock lock(
        m_settings.dataPath(), std::min(m_lockWait, std::chrono::milliseconds(1000)), SaveLock::Mode::Read);
    return lock.state() != SaveLock::State::Busy && mergeOtherWriter(now, false) == OtherWriter::Merged;
}

int AlarmStore::takeInConflictCopies(OleDate now)
{
    if (!m_saver.tablesLoaded()) {
        return 0;
    }
    int merged = 0;
    const AlarmRecord legacy
        = convertedRecordDefaults(m_loadContext.legacyMidiVolume, m_loadContext.legacyWaveVolume);
    for (const std::string& copy : syncConflictCopies(m_settings.dataPath())) {
        if (m_mergedCopies.contains(copy)) {
            continue; // merged already, waiting for a save
        }
        const QString name = QString::fromStdString(copy);
        const auto tellOnce = [this, &copy](const QString& text) {
            if (m_toldCopies.insert(copy).second) {
                emit otherWriterTakenIn(text);
            }
        };
        std::string bytes;
        SharedTables theirs;
        const bool read = readWholeFile(copy, bytes, DataFile::kMaxFileBytes) == ReadStatus::Read;
        const DecodeResult decoded = read ? decodeDataFile(bytes, theirs, legacy) : DecodeResult::Damaged;
        if (decoded != DecodeResult::Current && decoded != DecodeResult::Converted) {
            tellOnce(QStringLiteral("同期サービスが残した競合ファイルを読めないため、そのままにしました：%1")
                         .arg(name));
            continue;
        }
        TableMerge merge = mergeTables(commonTables(m_base, theirs), dataOf(m_tables), theirs);
        if (merge.alarmsLeftOut > 0) {
            tellOnce(QStringLiteral("同期サービスが残した競合ファイルを合わせられませんでした：%1\n%2")
                         .arg(name, QString::fromStdString(tableFullReason())));
            continue;
        }
        // Held as an unsaved change until a save takes it to the data file.
        takeMerge(merge, matchAlarmIds(theirs.alarms, {}));
        setModified(true);
        m_mergedCopies.insert(copy);
        ++merged;
        const SaveResult saved = saveTables(now);
        QString headline
            = QStringLiteral("同期サービスが残した競合ファイルの内容を合わせました：%1").arg(name);
        if (saved.dataSaved()) {
            setModified(false);
            headline += QStringLiteral("\n元のファイルは「%1.merged」に移しました。")
                            .arg(QFileInfo(name).fileName());
        } else {
            headline += QStringLiteral("\nデータファイルはまだ保存できていません：")
                + QString::fromStdString(m_dataFile.lastProblem().reason);
        }
        emit otherWriterTakenIn(mergeSummary(merge, headline, QStringLiteral("%1.merged").arg(name)));
    }
    return merged;
}

bool AlarmStore::syncCalendarFolder(OleDate now)
{
    if (!m_saver.tablesLoaded() || m_modified) {
        return false;
    }
    std::optional<FolderSync> folder
        = m_folderLink.merge(m_tables.window.calendarFolder, m_settings.dataPath(), m_tables.alarms, m_ids);
    if (folder && folder->changesTable()) {
        // The save merges another writer's file too, and writes the folder.
        takeFolder(*folder);
        const SaveResult saved = saveTables(now, &*folder);
        if (saved.dataSaved()) {
            setModified(false);
        }
        return true;
    }
    if (folder) {
        m_folderLink.write(*folder);
    }
    tellFolderNews();
    return false;
}

void AlarmStore::takeFolder(FolderSync& sync)
{
    std::unordered_map<std::string, int> index;
    for (int i = 0; i < m_tables.alarms.alarmCount; ++i) {
        index.emplace(m_ids[static_cast<std::size_t>(i)], i);
    }
    for (const auto& [id, record] : sync.changes) {
        if (const auto at = index.find(id); at != index.end()) {
            AlarmRecord& alarm = m_tables.alarms.alarms[static_cast<std::size_t>(at->second)];
            // The last bells stay this computer's: a moved alarm does not ring its past again.
            const OleDate lastAlarm = alarm.lastAlarm;
            const OleDate lastPreAlarm = alarm.lastPreAlarm;
            alarm = record;
            alarm.lastAlarm = lastAlarm;
            alarm.lastPreAlarm = lastPreAlarm;
        }
    }
    std::unordered_set<std::string> removed(sync.removals.begin(), sync.removals.end());
    takeBack(removed);
    std::set<std::string> notTaken;
    int added = 0;
    for (const auto& [id, record] : sync.additions) {
        if (m_tables.alarms.add(record)) {
            m_ids.push_back(id);
            ++added;
        } else {
            notTaken.insert(id);
        }
    }
    m_folderLink.notTaken(sync, notTaken);
    changed(true);
    QStringList lines{QStringLiteral("カレンダーフォルダーの変更を合わせました。")};
    lines << QStringLiteral("アラーム：追加 %1件、変更 %2件、削除 %3件")
                 .arg(added - sync.changedOnBothSides)
                 .arg(sync.changes.size() - static_cast<std::size_t>(sync.changedOnBothSides))
                 .arg(removed.size());
    if (sync.changedOnBothSides > 0) {
        lines << QStringLiteral("両方で変更されたアラーム %1件は、両方の内容を残しました。")
                     .arg(sync.changedOnBothSides);
    }
    if (!notTaken.empty()) {
        lines
            << QStringLiteral("アラームの表が一杯のため、%1件は読み込めませんでした。").arg(notTaken.size());
    }
    emit otherWriterTakenIn(lines.join(QLatin1Char('\n')));
}

void AlarmStore::tellFolderNews()
{
    for (const std::string& news : m_folderLink.takeNews()) {
        emit otherWriterTakenIn(QString::fromStdString(news));
    }
}

void AlarmStore::setMergedCopiesAside()
{
    for (const std::string& copy : m_mergedCopies) {
        setMergedCopyAside(copy);
    }
    m_mergedCopies.clear();
}

// Written by the save that wrote the data file, under its lock; an identities
// file that cannot follow costs only identities, found again by content.
void AlarmStore::writeIds()
{
    replaceFileSafely(
        m_dataFile.sink(), alarmIdsPath(m_settings.dataPath()), encodeAlarmIds(m_tables.alarms, m_ids));
}

void AlarmStore::takeBack(const std::unordered_set<std::string>& ids)
{
    for (int i = m_tables.alarms.alarmCount - 1; i >= 0; --i) {
        if (ids.contains(m_ids[static_cast<std::size_t>(i)])) {
            m_tables.alarms.remove(i);
            m_ids.erase(m_ids.begin() + i);
        }
    }
}

std::vector<std::string> AlarmStore::idsBeside(const AlarmTable& alarms) const
{
    std::string bytes;
    readWholeFile(alarmIdsPath(m_settings.dataPath()), bytes, kMaxIdsFileBytes);
    return matchAlarmIds(alarms, bytes);
}

AlarmStore::Import AlarmStore::importAlarms(
    const std::vector<std::pair<std::string, AlarmRecord>>& items, OleDate now)
{
    Import result;
    std::unordered_set<std::string> known(m_ids.begin(), m_ids.end());
    std::unordered_set<std::string> added;
    for (const auto& [id, alarm] : items) {
        if (known.contains(id)) {
            ++result.known; // in the table already, or twice in the file
        } else if (m_tables.alarms.add(alarm)) {
            m_ids.push_back(id);
            known.insert(id);
            added.insert(id);
            ++result.added;
        } else {
            ++result.tableFull;
        }
    }
    if (result.added == 0) {
        return result;
    }
    const bool unsavedBefore = m_modified;
    result.saved = saveTables(now);
    if (!result.saved.dataFileSaved) {
        // Nothing said imported that is not in the file: taken back out,
        // wherever a merge of the failed save put them.
        takeBack(added);
        result.added = 0;
    }
    changed(false);
    setModified(result.saved.dataSaved() ? false : unsavedBefore);
    return result;
}

void AlarmStore::clear()
{
    m_ids.clear();
    m_tables.clearData();
    changed(false);
    emit memosReplaced();
}

} // namespace kvx
