#include "platform/LockFileInstanceGuard.h"

#include "core/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvx {

namespace {

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// What the system says when a small file is written into `folder` and made to
// reach the disk; empty when that works.
QString probeWrite(const QString& folder)
{
    QByteArray pattern = QDir(folder).filePath(QStringLiteral(".kalvendorix-probe-XXXXXX")).toLocal8Bit();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return systemText(errno);
    }
    const char bytes[128] = {};
    const bool written = ::write(fd, bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes);
    const int error = written ? (::fsync(fd) == 0 ? 0 : errno) : errno;
    ::close(fd);
    ::unlink(pattern.constData());
    return error == 0 && written ? QString() : systemText(error != 0 ? error : ENOSPC);
}

} // namespace

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
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivateFolder(runtime)) {
        return runtime;
    }
    return QString::fromStdString(resolveProgramDirectory());
}

bool LockFileInstanceGuard::isPrivateFolder(const QString& directory)
{
    if (directory.isEmpty() || !QDir::isAbsolutePath(directory)) {
        return false;
    }
    struct stat status { };
    return ::stat(QFile::encodeName(directory).constData(), &status) == 0 && S_ISDIR(status.st_mode)
        && status.st_uid == ::geteuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool LockFileInstanceGuard::anotherCopyRunning()
{
    m_problem.reset();
    if (m_lock->isLocked()) {
        return false;
    }
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        return cannotTell(QFileInfo(folder).exists() ? systemText(ENOTDIR) : systemText(errno));
    }
    if (m_lock->tryLock(0)) {
        return false;
    }
    if (m_lock->error() != QLockFile::LockFailedError) {
        return cannotTell(whyNotLocked());
    }
    qint64 pid = 0;
    QString host;
    QString application;
    const bool readable = m_lock->getLockInfo(&pid, &host, &application);
    if (readable && !host.isEmpty() && host != QSysInfo::machineHostName()) {
        // Its process cannot be looked for from here.
        return cannotTell(QStringLiteral("the lock names another computer: %1").arg(host));
    }
    // An unreadable lock file is removed only if no process holds it open locked.
    if (readable && pid > 0 && !holderIsDead(pid)) {
        return true;
    }
    if (!removeStaleLock()) {
        return true;
    }
    if (m_lock->tryLock(0)) {
        return false;
    }
    return m_lock->error() == QLockFile::LockFailedError || cannotTell(whyNotLocked());
}

void LockFileInstanceGuard::release()
{
    if (m_lock->isLocked()) {
        m_lock->unlock();
    }
}

bool LockFileInstanceGuard::holderIsDead(qint64 pid) const
{
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

bool LockFileInstanceGuard::cannotTell(const QString& reason)
{
    m_problem = InstanceProblem{m_path, reason};
    return true;
}

// The holder has ended, but its lock may still not be ours to remove.
bool LockFileInstanceGuard::removeStaleLock()
{
    if (m_lock->removeStaleLockFile()) {
        return true;
    }
    const QByteArray path = QFile::encodeName(m_path);
    struct stat status { };
    if (::lstat(path.constData(), &status) == 0 && status.st_uid != ::geteuid()) {
        cannotTell(QStringLiteral("the lock of an ended process belongs to user %1").arg(status.st_uid));
        return false;
    }
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
    }
    if (fd < 0) {
        cannotTell(systemText(error));
    } else if (::access(QFile::encodeName(QFileInfo(m_path).absolutePath()).constData(), W_OK | X_OK) != 0) {
        cannotTell(systemText(errno));
    } else {
        cannotTell(QStringLiteral("the lock of an ended process cannot be removed"));
    }
    return false;
}

QString LockFileInstanceGuard::whyNotLocked() const
{
    QString probe = probeWrite(QFileInfo(m_path).absolutePath());
    if (!probe.isEmpty()) {
        return probe;
    }
    return m_lock->error() == QLockFile::PermissionError ? systemText(EACCES)
                                                         : QStringLiteral("the lock file cannot be written");
}

} // namespace kvx
