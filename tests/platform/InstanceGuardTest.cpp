#include "platform/LockFileInstanceGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvx {
namespace {

// The id of a process that has ended (and been reaped).
qint64 deadProcessId()
{
    QProcess process;
    process.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exit 0")});
    EXPECT_TRUE(process.waitForStarted());
    const qint64 pid = process.processId();
    EXPECT_TRUE(process.waitForFinished());
    return pid;
}

// A lock file as this program writes it, but naming process `pid` as holder.
void writeLockHeldBy(const QString& path, qint64 pid)
{
    QByteArray contents;
    {
        QLockFile lock(path);
        ASSERT_TRUE(lock.tryLock(0));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        contents = file.readAll();
    }
    const qsizetype firstLineEnd = contents.indexOf('\n');
    contents = QByteArray::number(pid) + contents.mid(firstLineEnd);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

TEST(LockFileInstanceGuard, OnlyOneGuardHoldsTheLockAtATime)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    auto first = std::make_unique<LockFileInstanceGuard>(directory.path());
    LockFileInstanceGuard second(directory.path());

    struct Step {
        const char* name;
        std::function<bool()> ask;
        bool running;
    };
    const Step steps[] = {
        {"the first copy finds none running", [&] { return first->anotherCopyRunning(); }, false},
        {"asking again while holding the lock", [&] { return first->anotherCopyRunning(); }, false},
        {"a second copy sees the first", [&] { return second.anotherCopyRunning(); }, true},
        {"after the first releases, the second takes over",
            [&] {
                first->release();
                return second.anotherCopyRunning();
            },
            false},
        {"now the first sees the second", [&] { return first->anotherCopyRunning(); }, true},
        {"a destroyed guard releases its lock",
            [&] {
                second.release();
                first->anotherCopyRunning();
                first.reset();
                return second.anotherCopyRunning();
            },
            false},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.ask(), step.running) << step.name;
    }
    EXPECT_EQ(second.lockFilePath(), directory.filePath(QStringLiteral("kalvendorix.lock")));
}

TEST(LockFileInstanceGuard, ALockLeftByAnotherProcessCountsOnlyWhileItLives)
{
    struct Row {
        const char* name;
        qint64 holder;
        bool running;
    };
    const Row rows[] = {
        {"holder has ended: the lock is stale", deadProcessId(), false},
        {"holder lives (this process, as another guard would see it)", QCoreApplication::applicationPid(),
            true},
    };
    for (const Row& row : rows) {
        QTemporaryDir directory;
        ASSERT_TRUE(directory.isValid());
        LockFileInstanceGuard guard(directory.path());
        writeLockHeldBy(guard.lockFilePath(), row.holder);
        EXPECT_EQ(guard.anotherCopyRunning(), row.running) << row.name;
        EXPECT_TRUE(QFile::exists(guard.lockFilePath())) << row.name;
    }
}

TEST(LockFileInstanceGuard, TheDefaultDirectoryIsUsable)
{
    const QString directory = LockFileInstanceGuard::defaultDirectory();
    EXPECT_FALSE(directory.isEmpty());
    EXPECT_TRUE(QFileInfo(directory).isDir());
    EXPECT_TRUE(LockFileInstanceGuard().lockFilePath().endsWith(QStringLiteral("/kalvendorix.lock")));
}

class EnvironmentVariable {
public:
    explicit EnvironmentVariable(const char* name)
        : m_name(name)
        , m_saved(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt)
    {
    }
    ~EnvironmentVariable() { set(m_saved); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

    void set(const std::optional<QByteArray>& value)
    {
        if (value) {
            qputenv(m_name, *value);
        } else {
            qunsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<QByteArray> m_saved;
};

TEST(LockFileInstanceGuard, TheLockLivesInAFolderOnlyTheUserCanWrite)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString programDirectory = scratch.filePath(QStringLiteral("data/Kalvendorix/"));
    struct Row {
        const char* name;
        std::optional<QString> runtime; // relative to the scratch folder
        mode_t mode;
        bool otherOwner;
        bool used;
    };
    const Row rows[] = {
        {"a private runtime folder", QStringLiteral("private"), 0700, false, true},
        {"a runtime folder others may read but not write", QStringLiteral("readable"), 0755, false, true},
        {"XDG_RUNTIME_DIR unset", std::nullopt, 0, false, false},
        {"a shared temporary folder", QStringLiteral("shared"), 01777, false, false},
        {"a group-writable folder", QStringLiteral("group"), 0770, false, false},
        {"a folder of another user", QStringLiteral("theirs"), 0700, true, false},
        {"a folder that does not exist", QStringLiteral("missing"), 0, false, false},
        {"a relative path", QStringLiteral("relative"), 0, false, false},
    };
    EnvironmentVariable runtime("XDG_RUNTIME_DIR");
    EnvironmentVariable dataHome("XDG_DATA_HOME");
    dataHome.set(scratch.filePath(QStringLiteral("data")).toLocal8Bit());
    for (const Row& row : rows) {
        if (row.otherOwner && ::geteuid() != 0) {
            continue; // only root can give a folder away
        }
        QString folder;
        if (row.runtime) {
            folder
                = *row.runtime == QStringLiteral("relative") ? *row.runtime : scratch.filePath(*row.runtime);
            if (row.mode != 0) {
                ASSERT_TRUE(QDir().mkpath(folder)) << row.name;
                ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), row.mode), 0) << row.name;
            }
            if (row.otherOwner) {
                ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0) << row.name;
            }
            runtime.set(folder.toLocal8Bit());
        } else {
            runtime.set(std::nullopt);
        }
        const QString expected = row.used ? folder : programDirectory;
        EXPECT_EQ(
            QDir(LockFileInstanceGuard::defaultDirectory()).absolutePath(), QDir(expected).absolutePath())
            << row.name;
        EXPECT_EQ(LockFileInstanceGuard().lockFilePath(),
            QDir(expected).filePath(QStringLiteral("kalvendorix.lock")))
            << row.name;
    }
}

// A lock file naming `host` and `pid`, as a copy on that computer writes it.
void writeLockOf(const QString& path, qint64 pid, const QString& host)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::number(pid) + "\nkalvendorix\n" + host.toUtf8() + "\n");
}

TEST(LockFileInstanceGuard, ALockThatCanBeNeitherTakenNorClearedIsReportedAndBlocks)
{
    struct Row {
        const char* name;
        std::function<void(const QString& folder, const QString& lock)> make;
        QString reason; // the start of it
    };
    const Row rows[] = {
        {"a lock naming another computer",
            [](const QString&, const QString& lock) {
                writeLockOf(lock, QCoreApplication::applicationPid(), QStringLiteral("elsewhere.example"));
            },
            QStringLiteral("the lock names another computer: elsewhere.example")},
        {"a folder in the lock's place",
            [](const QString&, const QString& lock) { ASSERT_TRUE(QDir().mkpath(lock)); },
            QStringLiteral("Is a directory")},
        {"a file in the runtime folder's place",
            [](const QString& folder, const QString&) {
                QFile file(folder);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            },
            QStringLiteral("Not a directory")},
    };
    for (const Row& row : rows) {
        QTemporaryDir scratch;
        ASSERT_TRUE(scratch.isValid());
        const QString folder = scratch.filePath(QStringLiteral("runtime"));
        if (!QString(row.name).contains(QStringLiteral("runtime folder's place"))) {
            ASSERT_TRUE(QDir().mkpath(folder));
        }
        LockFileInstanceGuard guard(folder);
        row.make(folder, guard.lockFilePath());
        EXPECT_TRUE(guard.anotherCopyRunning()) << row.name;
        const std::optional<InstanceProblem> problem = guard.lastProblem();
        ASSERT_TRUE(problem.has_value()) << row.name;
        EXPECT_EQ(problem->path, guard.lockFilePath()) << row.name;
        EXPECT_TRUE(problem->reason.startsWith(row.reason))
            << row.name << ": " << problem->reason.toStdString();
    }
}

TEST(LockFileInstanceGuard, ALiveCopyOrAFreeLockIsNoProblem)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    LockFileInstanceGuard first(directory.path());
    LockFileInstanceGuard second(directory.path());
    EXPECT_FALSE(first.anotherCopyRunning());
    EXPECT_FALSE(first.lastProblem().has_value());
    EXPECT_TRUE(second.anotherCopyRunning());
    EXPECT_FALSE(second.lastProblem().has_value());
}

// What a guard in `folder` answers after `prepare` has run there, in a child
// process with a small file system of its own mounted on `folder` (a mount
// namespace of its own, which root alone may make): 'r' for "none running",
// 'p' for "running" without a problem, else 'y' when the problem's reason is
// `reason` and 'w' when it is another. 'm' when nothing could be mounted.
char answerInOwnFileSystem(
    const QString& folder, const std::function<bool(const QByteArray&)>& prepare, const QString& reason)
{
    const QByteArray path = QFile::encodeName(folder);
    int answer[2];
    if (::pipe(answer) != 0) {
        return '?';
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(answer[0]);
        char verdict = 'm';
        if (::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
            && ::mount("kvx-test", path.constData(), "tmpfs", 0, "size=64k") == 0 && prepare(path)) {
            LockFileInstanceGuard guard(folder);
            const bool running = guard.anotherCopyRunning();
            const std::optional<InstanceProblem> problem = guard.lastProblem();
            verdict = !running ? 'r' : !problem ? 'p' : problem->reason == reason ? 'y' : 'w';
        }
        [[maybe_unused]] const ssize_t sent = ::write(answer[1], &verdict, 1);
        ::_exit(0);
    }
    ::close(answer[1]);
    char verdict = '?';
    if (::read(answer[0], &verdict, 1) != 1) {
        verdict = '?';
    }
    ::close(answer[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return verdict;
}

// A runtime folder whose file system is full or read-only: nothing can be
// locked there, and a second copy must not start then.
TEST(LockFileInstanceGuard, AFullOrReadOnlyRuntimeFolderStartsNoSecondCopy)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting a full or read-only file system for the runtime folder needs root";
    }
    struct Row {
        const char* name;
        std::function<bool(const QByteArray&)> prepare;
        QString reason;
    };
    const qint64 ended = deadProcessId();
    const Row rows[] = {
        {"a full file system",
            [](const QByteArray& folder) {
                const int fill = ::open((folder + "/fill").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
                const char block[4096] = {};
                while (fill >= 0 && ::write(fill, block, sizeof block) > 0) { }
                return fill >= 0;
            },
            QStringLiteral("No space left on device")},
        {"a read-only file system holding the lock of an ended process",
            [ended](const QByteArray& folder) {
                writeLockOf(
                    QFile::decodeName(folder + "/kalvendorix.lock"), ended, QSysInfo::machineHostName());
                return ::mount(nullptr, folder.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
            },
            QStringLiteral("Read-only file system")},
        {"a read-only file system without a lock",
            [](const QByteArray& folder) {
                return ::mount(nullptr, folder.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
            },
            QStringLiteral("Read-only file system")},
    };
    for (const Row& row : rows) {
        QTemporaryDir scratch;
        ASSERT_TRUE(scratch.isValid());
        const char verdict = answerInOwnFileSystem(scratch.path(), row.prepare, row.reason);
        if (verdict == 'm') {
            GTEST_SKIP() << "this system lets no process mount a file system of its own";
        }
        EXPECT_NE(verdict, 'r') << row.name << ": a second copy would have started";
        EXPECT_NE(verdict, 'p') << row.name << ": no reason given";
        EXPECT_EQ(verdict, 'y') << row.name << ": the reason is not " << row.reason.toStdString();
    }
}

} // namespace
} // namespace kvx
