#include "resident/DataFileWatch.h"

#include "store/AlarmStore.h"

#include <QFileInfo>

namespace kvx {

namespace {

// A sync service writes a temporary file and renames it: the watch waits for
// the folder to settle before it looks.
constexpr int kSettleMs = 300;
constexpr long long kLookEverySeconds = 60;

} // namespace

DataFileWatch::DataFileWatch(AlarmStore& store, Clock& clock, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_clock(clock)
    , m_settle(clock.createTimer())
{
    m_settle->setSingleShot(true);
    m_settle->onTimeout = [this] { look(); };
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &DataFileWatch::changeSeen);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &DataFileWatch::changeSeen);
    // The calendar folder may be set by any save of the options.
    connect(&m_store, &AlarmStore::modifiedChanged, this, [this] { followCalendarFolder(); });
}

void DataFileWatch::followCalendarFolder()
{
    const QString folder = QString::fromStdString(m_store.window().calendarFolder);
    if (m_path.empty()) {
        return;
    }
    if (folder != m_calendarFolder) {
        if (!m_calendarFolder.isEmpty()
            && m_calendarFolder != QFileInfo(QString::fromStdString(m_path)).absolutePath()) {
            m_watcher.removePath(m_calendarFolder);
        }
        m_calendarFolder = folder;
    }
    // A folder made since (the sync makes a missing one) is watched from then on.
    if (!folder.isEmpty() && !m_watcher.directories().contains(folder) && QFileInfo(folder).isDir()) {
        m_watcher.addPath(folder);
    }
}

DataFileWatch::~DataFileWatch() = default;

std::vector<DataFileLock::Holder> DataFileWatch::watch(const std::string& path)
{
    if (path == m_path) {
        return {};
    }
    stop();
    m_path = path;
    const QFileInfo file(QString::fromStdString(path));
    m_watcher.addPath(file.absolutePath());
    if (file.exists()) {
        m_watcher.addPath(file.absoluteFilePath());
    }
    m_lastLook = m_clock.nowOle();
    followCalendarFolder();
    // Conflict copies a sync service left while the program was not running.
    m_settle->start(kSettleMs);
    return m_lock.take(path);
}

void DataFileWatch::stop()
{
    m_settle->stop();
    if (!m_watcher.files().isEmpty()) {
        m_watcher.removePaths(m_watcher.files());
    }
    if (!m_watcher.directories().isEmpty()) {
        m_watcher.removePaths(m_watcher.directories());
    }
    m_lock.release();
    m_path.clear();
}

void DataFileWatch::changeSeen()
{
    if (!m_path.empty()) {
        m_settle->start(kSettleMs);
    }
}

void DataFileWatch::tickWoke(OleDate now)
{
    if (!m_path.empty()
        && (now.totalSeconds() - m_lastLook.totalSeconds() >= kLookEverySeconds || now < m_lastLook)) {
        look();
    }
}

void DataFileWatch::look()
{
    if (m_path.empty()) {
        return;
    }
    m_lastLook = m_clock.nowOle();
    // A file replaced by a rename is a new file to the watch.
    const QString file = QFileInfo(QString::fromStdString(m_path)).absoluteFilePath();
    if (!m_watcher.files().contains(file) && QFileInfo::exists(file)) {
        m_watcher.addPath(file);
    }
    m_store.takeInOtherWriter(m_lastLook);
    m_store.takeInConflictCopies(m_lastLook);
    // Another computer's change reaches the folder too.
    m_store.syncCalendarFolder(m_lastLook);
    followCalendarFolder();
}

} // namespace kvx
