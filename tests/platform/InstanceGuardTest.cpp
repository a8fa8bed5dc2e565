#include "platform/LockFileInstanceGuard.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

} // namespace
} // namespace kvx
