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

TEST(LocalSocketChannel, EachRequestReachesTheRunningCopy)
{
    QTemporaryDir dir;
    LocalSocketChannel running(socketIn(dir));
    ASSERT_TRUE(running.listen());
    QSignalSpy requests(&running, &RunningCopyChannel::requested);

    LocalSocketChannel later(socketIn(dir));
    for (const CopyRequest request : {CopyRequest::Show, CopyRequest::NewAlarm, CopyRequest::Quit}) {
        const int before = static_cast<int>(requests.count());
        EXPECT_TRUE(later.ask(request));
        EXPECT_TRUE(requests.wait(5000) || requests.count() > before);
        ASSERT_EQ(requests.count(), before + 1);
        EXPECT_EQ(requests.last().at(0).value<CopyRequest>(), request);
    }
}

TEST(LocalSocketChannel, NoCopyListeningIsNoAnswer)
{
    QTemporaryDir dir;
    LocalSocketChannel second(socketIn(dir));
    EXPECT_FALSE(second.ask(CopyRequest::Show));
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

TEST(LocalSocketChannel, OnlyKnownRequestsAreHeard)
{
    QTemporaryDir dir;
    LocalSocketChannel running(socketIn(dir));
    ASSERT_TRUE(running.listen());
    QSignalSpy requests(&running, &RunningCopyChannel::requested);
    for (const QByteArray& junk :
        {QByteArray("hide\n"), QByteArray(200, 'x'), QByteArray("show"), QByteArray("quit now\n")}) {
        QLocalSocket socket;
        socket.connectToServer(socketIn(dir));
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(junk);
        socket.waitForBytesWritten(2000);
        socket.disconnectFromServer();
    }
    LocalSocketChannel second(socketIn(dir));
    ASSERT_TRUE(second.ask(CopyRequest::Show));
    ASSERT_TRUE(requests.wait(5000) || requests.count() >= 1);
    EXPECT_EQ(requests.count(), 1) << "requests other than the known lines are ignored";
}

} // namespace
} // namespace kvx
