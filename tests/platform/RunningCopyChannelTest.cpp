#include "platform/RunningCopyChannel.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kvx {
namespace {

QString socketIn(const QTemporaryDir& dir)
{
    return dir.path() + QStringLiteral("/kalvendorix.socket");
}

TEST(LocalSocketChannel, ASecondStartReachesTheRunningCopy)
{
    QTemporaryDir dir;
    LocalSocketChannel running(socketIn(dir));
    ASSERT_TRUE(running.listen());
    QSignalSpy shown(&running, &RunningCopyChannel::showRequested);

    LocalSocketChannel second(socketIn(dir));
    EXPECT_TRUE(second.askToShow());
    EXPECT_TRUE(shown.wait(5000) || shown.count() == 1);
    EXPECT_EQ(shown.count(), 1);
}

TEST(LocalSocketChannel, NoCopyListeningIsNoAnswer)
{
    QTemporaryDir dir;
    LocalSocketChannel second(socketIn(dir));
    EXPECT_FALSE(second.askToShow());
}

TEST(LocalSocketChannel, ASocketLeftByACopyThatDiedIsTakenOver)
{
    QTemporaryDir dir;
    {
        LocalSocketChannel dead(socketIn(dir));
        ASSERT_TRUE(dead.listen());
    }
    // A crash leaves the socket file; the next holder of the lock listens anyway.
    QFile leftover(socketIn(dir));
    if (!leftover.exists()) {
        ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
        leftover.close();
    }
    LocalSocketChannel next(socketIn(dir));
    EXPECT_TRUE(next.listen());
}

TEST(LocalSocketChannel, OnlyTheShowRequestShows)
{
    QTemporaryDir dir;
    LocalSocketChannel running(socketIn(dir));
    ASSERT_TRUE(running.listen());
    QSignalSpy shown(&running, &RunningCopyChannel::showRequested);
    for (const QByteArray& junk : {QByteArray("hide\n"), QByteArray(200, 'x'), QByteArray("show")}) {
        QLocalSocket socket;
        socket.connectToServer(socketIn(dir));
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(junk);
        socket.waitForBytesWritten(2000);
        socket.disconnectFromServer();
    }
    LocalSocketChannel second(socketIn(dir));
    ASSERT_TRUE(second.askToShow());
    ASSERT_TRUE(shown.wait(5000) || shown.count() >= 1);
    EXPECT_EQ(shown.count(), 1) << "requests other than \"show\" are ignored";
}

} // namespace
} // namespace kvx
