#pragma once

#include <QObject>

#ifndef Q_MOC_RUN
#include "core/DataFile.h"
#include "core/DataFileLock.h"
#include "core/Records.h"
#include "core/SaveRoutine.h"
#include "core/Settings.h"
#include "schedule/DisplayOrder.h"
#include "schedule/FiringDecision.h"
#include "schedule/TableMerge.h"
#include "store/CalendarFolderLink.h"
#endif

#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace kvx {

// The one owner of the shared tables (the alarms, the rota, the memos, and the
// remembered defaults and window settings beside them), of the display order
// derived from the alarms, of the data file and of the save routine. Its
// operations are the only way to change the tables; each rebuilds the order
// once and tells of it once: tablesChanged() for the alarms and the rota,
// memosReplaced() when the memos are not the ones the calendar edits any more
// (a load, a rescue file). modifiedChanged() tells when the alarms or the rota
// come to differ from the data file, or to match it again.
class AlarmStore : public QObject {
    Q_OBJECT

public:
    explicit AlarmStore(Settings& settings, QObject* parent = nullptr);
    // The data file is written through `sink` (a test's) instead of the file system's.
    AlarmStore(Settings& settings, FileSink& sink, QObject* parent = nullptr);

    const SharedTables& tables() const { return m_tables; }
    const AlarmTable& alarms() const { return m_tables.alarms; }
    const DisplayOrder& order() const { return m_order; }
    // How often the order was rebuilt, for the measurements of the views' cost.
    int orderBuilds() const { return m_orderBuilds; }
    // The remembered fields of a new alarm and the window settings: settings
    // kept beside the tables, written by every save. Changing them tells nothing.
    AlarmDefaults& defaults() { return m_tables.defaults; }
    WindowSettings& window() { return m_tables.window; }
    Settings& settings() { return m_settings; }
    const DataFile& dataFile() const { return m_dataFile; }
    SaveRoutine& saver() { return m_saver; }

    // Whether the alarms or the rota differ from the data file.
    bool modified() const { return m_modified; }
    // Whether the tables hold what the data file held; before that nothing is saved.
    bool loaded() const { return m_saver.tablesLoaded(); }

    // An alarm appended; its index, or -1 when the table is full.
    int addAlarm(const AlarmRecord& alarm);
    void changeAlarm(int index, const AlarmRecord& alarm);
    void removeAlarms(std::vector<int> indexes);

    // What becomes of a quick timer: left for the next save (the editor's),
    // saved at once (the calendar's, the snooze's), or saved at once and taken
    // back out when the data file could not take it (the terminal's).
    enum class QuickSave { Later, Now, NowOrTakeBack };
    struct QuickTimer {
        std::optional<std::string> refused; // why it was not added
        int index = -1;
        SaveResult saved; // ran only when it was saved
    };
    // The one way a quick timer is added, whoever made its record.
    QuickTimer addQuickTimer(const AlarmRecord& timer, OleDate now, QuickSave save);

    // One tick of the alarm loop: the first alarm due at `now` rings, its
    // last-ring time set.
    // The bells of minutes a change of the clocks just skipped (`skipped`) ring too.
    std::optional<Firing> ringDueAlarm(OleDate now, const std::vector<OleDate>& skipped = {});

    void setRoutines(const RoutineList& routines);
    // The memos as the calendar window edits them, in place: they are its
    // working lists (saved with everything else), shown by no other view, and
    // a change of them is no change for the editor to discard.
    void changeMemos(const std::function<void(MemoLists&)>& change);
    // The alarms, the rota and the memos at once (a rescue file taken back).
    void replaceData(SharedTables data);

    // Loads the data file at the settings' data path. The memos stay as they
    // are when `keepMemos` (a discard in the editor: the memos are the
    // calendar's working lists). The tables are loaded from then on, whatever
    // the file held; lastProblem() of dataFile() says what went wrong.
    enum class Memos { FromFile, Keep };
    bool load(const LoadContext& context, Memos memos = Memos::FromFile);
    // Writes the tables and the settings. A data file written clears modified().
    SaveResult save(OleDate now);
    // Another data file: the tables, with the rota as the editor holds it, go
    // to the file in force first; then `path` becomes the data path in both
    // settings files and its tables are loaded.
    struct Switch {
        enum class Outcome { Same, Unstorable, SaveFailed, Switched } outcome;
        SaveResult saved; // ran unless the path was the same or unstorable
    };
    Switch switchDataFile(const std::string& path, const RoutineList& routines, const LoadContext& context);
    // Empties the tables, as the exit does.
    void clear();

    // Another computer sharing the data folder may save the data file: every
    // save first merges what it wrote (see mergeTables) and tells of it. While
    // this copy holds no unsaved change, its change is taken in at once; this
    // looks for one and returns whether the tables took anything in.
    // A change of this copy that is not saved yet is merged with it.
    bool takeInOtherWriter(OleDate now);
    // A sync service's conflict copies beside the data file: each is merged
    // into the tables (its ancestry unknown, nothing either side holds is
    // removed), the tables are saved, and the copy is moved aside as
    // "<copy>.merged" so that the service does not bring it back; what came
    // from it is told once. A copy that cannot be read stays, named once.
    // Returns how many copies were merged.
    int takeInConflictCopies(OleDate now);
    // Alarms from another calendar, each with its identity: those the table
    // holds already (by identity) are left alone, the others added and saved
    // at once; when the save fails they are taken back out.
    struct Import {
        int added = 0;
        int known = 0; // already in the table
        int tableFull = 0; // no room left
        SaveResult saved; // ran only when something was added
    };
    Import importAlarms(const std::vector<std::pair<std::string, AlarmRecord>>& items, OleDate now);
    // Each alarm's identity, "kvx-<uuid>", in table order.
    const std::vector<std::string>& alarmIds() const { return m_ids; }
    // The calendar folder ("ICALDIR" of the window settings) kept in step
    // with the alarms: every save takes in what other programs changed there
    // and writes what changed here. This looks at it now, while the tables
    // hold no unsaved change (else the next save does): what it brought is
    // saved at once and told. Returns whether the tables took anything in.
    bool syncCalendarFolder(OleDate now);
    CalendarFolderLink& calendarFolder() { return m_folderLink; }
    // How long a save waits for another writer's lock before it is refused.
    void setLockWait(std::chrono::milliseconds bound) { m_lockWait = bound; }
    // The name this computer goes by in conflict copies and in the lock.
    const std::string& computer() const { return m_computer; }

signals:
    void tablesChanged();
    void memosReplaced();
    void modifiedChanged(bool modified);
    // Another writer's change was merged into the tables, or its file kept
    // aside: `summary` says what, in a few lines.
    void otherWriterTakenIn(const QString& summary);

private:
    // After a change of the alarms or the rota: the order once, the signal once.
    void changed(bool markModified);
    void setModified(bool modified);
    // Every save: another writer's file and the calendar folder merged in
    // first (the folder's changes already taken when `folderTaken` is given),
    // then the tables written, and the folder after them.
    SaveResult saveTables(OleDate now, FolderSync* folderTaken = nullptr);
    // Another writer's file: none, merged into the tables, or neither
    // mergeable nor kept aside (the save must not replace it).
    enum class OtherWriter { None, Merged, Refused };
    OtherWriter mergeOtherWriter(OleDate now, bool readAlways);
    // The tables become `merge`'s; modified() stays only for what this copy
    // still holds unsaved.
    void takeMerge(TableMerge& merge, const std::vector<std::string>& theirIds);
    // The identities file beside the data file, matched to `alarms`.
    std::vector<std::string> idsBeside(const AlarmTable& alarms) const;
    void writeIds();
    // Removes the alarms of these identities.
    void takeBack(const std::unordered_set<std::string>& ids);
    // The calendar folder's changes into the tables, as unsaved ones.
    void takeFolder(FolderSync& sync);
    void tellFolderNews();
    // Conflict copies merged into the tables go aside once a save holds them.
    void setMergedCopiesAside();

    Settings& m_settings;
    SharedTables m_tables;
    DisplayOrder m_order;
    DataFile m_dataFile;
    SaveRoutine m_saver;
    // The alarms, rota and memos as the data file held them at the last load
    // or save: the base of a merge with another writer's file.
    SharedTables m_base;
    LoadContext m_loadContext;
    std::string m_computer;
    std::chrono::milliseconds m_lockWait{5000};
    static constexpr std::size_t kMaxIdsFileBytes = 8u << 20;
    std::vector<std::string> m_ids; // alarm i's identity
    CalendarFolderLink m_folderLink;
    // Conflict copies merged but not yet saved, and the unreadable ones told of.
    std::set<std::string> m_mergedCopies;
    std::set<std::string> m_toldCopies;
    int m_orderBuilds = 0;
    bool m_modified = false;
};

} // namespace kvx
