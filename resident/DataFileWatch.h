#pragma once

#include <QFileSystemWatcher>
#include <QObject>

#ifndef Q_MOC_RUN
#include "core/DataFileLock.h"
#include "core/OleDate.h"
#include "platform/Clock.h"
#endif

#include <memory>
#include <string>
#include <vector>

namespace kvx {

class AlarmStore;

// The data file as other computers share it: the lock beside it that names
// this computer, and a watch for another writer's save and for the conflict
// copies a sync service leaves beside it. A change seen is merged into the
// tables at once, with what this copy has not saved yet (the lists and the
// tick follow); a conflict copy is merged and saved. The watch
// is on the folder as well as the file, for a sync service replaces the file
// by a rename; where the file system tells nothing (a network share) the
// tick's wakes look at the file's size and time, at most once a minute. The
// calendar folder of the settings is watched likewise.
class DataFileWatch : public QObject {
    Q_OBJECT

public:
    DataFileWatch(AlarmStore& store, Clock& clock, QObject* parent = nullptr);
    ~DataFileWatch() override;

    // Watches the data file at `path` and puts this process's lock beside it;
    // returns the other computers' processes that hold one there.
    std::vector<DataFileLock::Holder> watch(const std::string& path);
    bool watching() const { return !m_path.empty(); }
    // The exit: no more watching, and the lock goes.
    void stop();
    // The alarm tick woke at `now`.
    void tickWoke(OleDate now);
    // Looks for another writer's change now.
    void look();

private:
    void changeSeen();
    // Watches the calendar folder the settings name now, if another.
    void followCalendarFolder();

    AlarmStore& m_store;
    Clock& m_clock;
    QFileSystemWatcher m_watcher;
    std::unique_ptr<Timer> m_settle;
    DataFileLock m_lock;
    std::string m_path;
    QString m_calendarFolder; // the calendar folder watched, "" none
    OleDate m_lastLook;
};

} // namespace kvx
