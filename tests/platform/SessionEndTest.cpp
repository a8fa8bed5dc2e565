#include "doubles/FakeSessionEnd.h"
#include "platform/UnixSessionEnd.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <gtest/gtest.h>

namespace kvx {
namespace {

// The signal's byte is in the socket as soon as raise() returns; a few passes
// of the event loop deliver it.
void deliverPendingSignals()
{
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

TEST(UnixSessionEnd, EachSignalEndsTheSessionExactlyOnce)
{
    struct Row {
        const char* name;
        int first;
        int second;
    };
    const Row rows[] = {
        {"SIGTERM, then SIGHUP", SIGTERM, SIGHUP},
        {"SIGHUP, then SIGINT", SIGHUP, SIGINT},
        {"SIGINT, then SIGTERM", SIGINT, SIGTERM},
        {"the same signal twice", SIGTERM, SIGTERM},
    };
    for (const Row& row : rows) {
        UnixSessionEnd session;
        int ends = 0;
        session.onEnd = [&] { ++ends; };
        std::raise(row.first);
        EXPECT_EQ(ends, 0) << row.name << ": not inside the signal handler";
        deliverPendingSignals();
        EXPECT_EQ(ends, 1) << row.name;
        EXPECT_TRUE(session.hasEnded()) << row.name;
        std::raise(row.second);
        deliverPendingSignals();
        EXPECT_EQ(ends, 1) << row.name;
    }
}

TEST(UnixSessionEnd, AnEndAfterTheProgramsOwnExitIsIgnored)
{
    UnixSessionEnd session;
    int ends = 0;
    session.onEnd = [&] { ++ends; };
    session.markEnded();
    std::raise(SIGTERM);
    deliverPendingSignals();
    EXPECT_EQ(ends, 0);
}

TEST(UnixSessionEnd, QuittingTheApplicationEndsTheSessionOnce)
{
    UnixSessionEnd session;
    int ends = 0;
    session.onEnd = [&] { ++ends; };
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
    EXPECT_EQ(ends, 1);
    std::raise(SIGHUP);
    deliverPendingSignals();
    EXPECT_EQ(ends, 1);
}

volatile std::sig_atomic_t g_hangUps = 0;

TEST(UnixSessionEnd, TheEarlierSignalHandlersComeBackAfterwards)
{
    struct sigaction counting = {};
    counting.sa_handler = [](int) { g_hangUps = g_hangUps + 1; };
    sigemptyset(&counting.sa_mask);
    struct sigaction previous = {};
    ASSERT_EQ(::sigaction(SIGHUP, &counting, &previous), 0);
    {
        UnixSessionEnd session;
        std::raise(SIGHUP);
        EXPECT_EQ(g_hangUps, 0);
    }
    std::raise(SIGHUP);
    EXPECT_EQ(g_hangUps, 1);
    ::sigaction(SIGHUP, &previous, nullptr);
}

TEST(FakeSessionEnd, TriggersEndOnce)
{
    FakeSessionEnd session;
    int ends = 0;
    session.onEnd = [&] { ++ends; };
    session.trigger();
    session.trigger();
    EXPECT_EQ(ends, 1);
}

} // namespace
} // namespace kvx
