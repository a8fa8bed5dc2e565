#include "platform/LockFileInstanceGuard.h"

#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>

namespace kvx {

LockFileInstanceGuard::LockFileInstanceGuard()
    : LockFileInstanceGuard(defaultDirectory())
{
}

LockFileInstanceGuard::LockFileInstanceGuard(const QString& directory)
    : m_path(QDir(directory).filePath(QStringLiteral("kalvendorix.lock")))
    , m_lock(std::make_unique<QLockFile>(m_path))
{
    // A live holder keeps the lock however old it is.
    m_lock->setStaleLockTime(0);
}

LockFileInstanceGuard::~LockFileInstanceGuard() = default;

QString LockFileInstanceGuard::defaultDirectory()
{
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty() || !QDir().mkpath(directory)) {
        directory = QDir::tempPath();
    }
    return directory;
}

bool LockFileInstanceGuard::anotherCopyRunning()
{
    if (m_lock->isLocked()) {
        return false;
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (m_lock->tryLock(0)) {
        return false;
    }
    if (m_lock->error() != QLockFile::LockFailedError) {
        return false;
    }
    if (holderIsDead() && m_lock->removeStaleLockFile()) {
        return !m_lock->tryLock(0);
    }
    return true;
}

void LockFileInstanceGuard::release()
{
    if (m_lock->isLocked()) {
        m_lock->unlock();
    }
}

bool LockFileInstanceGuard::holderIsDead() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    // An unreadable lock file is removed only if no process holds it open locked.
    if (!m_lock->getLockInfo(&pid, &host, &application) || pid <= 0) {
        return true;
    }
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

} // namespace kvx
