#include "platform/RunningCopyChannel.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <memory>

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

// The asking copy blocks until the answer comes; the running one answers from
// its event loop, turned here while the other waits on its own thread.
std::optional<CommandAnswer> commandFromAnotherThread(
    const QString& path, const std::vector<std::string>& arguments)
{
    auto answer = std::async(std::launch::async, [path, arguments] {
        LocalSocketChannel later(path);
        return later.command(arguments);
    });
    while (answer.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
        QCoreApplication::processEvents();
    }
    return answer.get();
}

TEST(LocalSocketChannel, ACommandIsAnsweredWithItsStatusAndTexts)
{
    QTemporaryDir dir;
    LocalSocketChannel running(socketIn(dir));
    ASSERT_TRUE(running.listen());
    std::vector<std::vector<std::string>> heard;
    running.onCommand = [&heard](const std::vector<std::string>& arguments) {
        heard.push_back(arguments);
        if (arguments.size() == 1) {
            return CommandAnswer{0, "", ""};
        }
        return CommandAnswer{arguments.size() == 3 ? 0 : 1, "一行目\t%\n二行目 ok\n", "エラー 100%\n"};
    };
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        int status;
    };
    const Row rows[] = {
        {"spaces, tabs, percent signs and kana", {"--quick", "5", "お茶 を\t入れる 100%"}, 0},
        {"no arguments", {}, 1},
        {"an empty last argument", {"--quick", "5", ""}, 0},
    };
    for (const Row& row : rows) {
        const std::optional<CommandAnswer> answer = commandFromAnotherThread(socketIn(dir), row.arguments);
        ASSERT_TRUE(answer.has_value()) << row.name;
        EXPECT_EQ(*answer, (CommandAnswer{row.status, "一行目\t%\n二行目 ok\n", "エラー 100%\n"}))
            << row.name;
        ASSERT_FALSE(heard.empty()) << row.name;
        EXPECT_EQ(heard.back(), row.arguments) << row.name;
    }
    // Nothing printed and nothing told is an answer too.
    EXPECT_EQ(commandFromAnotherThread(socketIn(dir), {"--next"}), (CommandAnswer{0, "", ""}));
}

TEST(LocalSocketChannel, ACommandWithoutARunningCopyIsNoAnswer)
{
    QTemporaryDir dir;
    LocalSocketChannel second(socketIn(dir));
    EXPECT_FALSE(second.command({"--next"}).has_value());
}

TEST(LocalSocketChannel, ACommandTakenButNotAnsweredIsARefusalNotANoCopy)
{
    // A copy that reads the command and then goes away (a crash, or an older
    // copy that knows no commands) may have carried it out already.
    QTemporaryDir dir;
    QLocalServer mute;
    ASSERT_TRUE(mute.listen(socketIn(dir)));
    QObject::connect(&mute, &QLocalServer::newConnection, [&mute] {
        QLocalSocket* socket = mute.nextPendingConnection();
        QObject::connect(socket, &QLocalSocket::readyRead, [socket] {
            if (socket->canReadLine()) {
                socket->disconnectFromServer();
            }
        });
    });
    const std::optional<CommandAnswer> answer = commandFromAnotherThread(socketIn(dir), {"--quick", "5"});
    ASSERT_TRUE(answer.has_value()) << "the caller would ask again and add a second timer";
    EXPECT_EQ(answer->status, 1);
    EXPECT_FALSE(answer->err.empty());
}

TEST(LocalSocketChannel, TheOldRequestLinesStillWorkBesideCommands)
{
    QTemporaryDir dir;
    LocalSocketChannel running(socketIn(dir));
    ASSERT_TRUE(running.listen());
    QSignalSpy requests(&running, &RunningCopyChannel::requested);
    // A copy that carries out no commands refuses them, and still hears requests.
    const std::optional<CommandAnswer> refused = commandFromAnotherThread(socketIn(dir), {"--next"});
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->status, 1);
    EXPECT_TRUE(requests.isEmpty());
    LocalSocketChannel later(socketIn(dir));
    ASSERT_TRUE(later.ask(CopyRequest::NewAlarm));
    ASSERT_TRUE(requests.wait(5000) || requests.count() >= 1);
    EXPECT_EQ(requests.last().at(0).value<CopyRequest>(), CopyRequest::NewAlarm);
}

// An answer is read to the end of the connection, however long: none, one
// byte, one past the 64 KiB line of old, and 4 MiB (12 MiB on the wire).
TEST(LocalSocketChannel, AnswersOfAnyLengthArriveWhole)
{
    QTemporaryDir dir;
    LocalSocketChannel running(socketIn(dir));
    ASSERT_TRUE(running.listen());
    std::size_t size = 0;
    running.onCommand = [&size](const std::vector<std::string>& /*arguments*/) {
        return CommandAnswer{0, std::string(size, '%'), std::string(size % 7, 'e')};
    };
    for (const std::size_t bytes :
        {std::size_t{0}, std::size_t{1}, std::size_t{65536}, std::size_t{4} << 20}) {
        size = bytes;
        const std::optional<CommandAnswer> answer = commandFromAnotherThread(socketIn(dir), {"--list"});
        ASSERT_TRUE(answer.has_value()) << bytes;
        EXPECT_EQ(answer->out.size(), bytes);
        EXPECT_EQ(answer->out, std::string(bytes, '%')) << bytes;
        EXPECT_EQ(answer->err, std::string(bytes % 7, 'e')) << bytes;
    }
}

// Callers that connect and say nothing hold a few connections for a short
// while; the copy keeps listening, its socket stays, and a command behind
// them is answered.
TEST(LocalSocketChannel, IdleCallersAreHeldFewAndNotForLong)
{
    QTemporaryDir dir;
    LocalSocketChannel running(socketIn(dir));
    running.setLimits({4, 200});
    ASSERT_TRUE(running.listen());
    running.onCommand = [](const std::vector<std::string>& /*arguments*/) {
        return CommandAnswer{0, "ok\n", ""};
    };
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 12; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(socketIn(dir));
        ASSERT_TRUE(idle.back()->waitForConnected(2000)) << i;
    }
    QCoreApplication::processEvents();
    EXPECT_LE(running.heldConnections(), 4);
    EXPECT_TRUE(QFile::exists(socketIn(dir)));
    EXPECT_EQ(commandFromAnotherThread(socketIn(dir), {"--next"}), (CommandAnswer{0, "ok\n", ""}));
    EXPECT_TRUE(QFile::exists(socketIn(dir)));
}

} // namespace
} // namespace kvx
