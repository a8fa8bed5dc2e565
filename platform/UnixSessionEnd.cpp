#include "platform/UnixSessionEnd.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kvx {

namespace {

constexpr int kSignals[3] = {SIGTERM, SIGHUP, SIGINT};

} // namespace

std::atomic<int> UnixSessionEnd::s_writeFd{-1};

UnixSessionEnd::UnixSessionEnd(QObject* parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) == 0) {
        s_writeFd = m_fds[0];
        m_notifier = new QSocketNotifier(m_fds[1], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &UnixSessionEnd::readSignals);
        struct sigaction action = {};
        action.sa_handler = &UnixSessionEnd::handleSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int i = 0; i < 3; ++i) {
            ::sigaction(kSignals[i], &action, &m_previous[i]);
        }
    }
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this] { end(); });
    }
    if (QCoreApplication::instance()) {
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] { end(); });
    }
}

UnixSessionEnd::~UnixSessionEnd()
{
    if (m_fds[0] < 0) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], &m_previous[i], nullptr);
    }
    s_writeFd = -1;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

// Runs inside the signal: write(2) is all it may do.
void UnixSessionEnd::handleSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    const int fd = s_writeFd.load();
    // A full socket already holds an unread end, so a failed write loses nothing.
    const ssize_t written = fd >= 0 ? ::write(fd, &byte, 1) : 0;
    static_cast<void>(written);
    errno = savedErrno;
}

void UnixSessionEnd::readSignals()
{
    char bytes[16];
    while (::read(m_fds[1], bytes, sizeof bytes) > 0) { }
    end();
}

} // namespace kvx
