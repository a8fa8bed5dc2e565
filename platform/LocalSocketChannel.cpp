#include "platform/RunningCopyChannel.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace kvx {

namespace {

// One line a request; anything else is not one of ours and is ignored.
struct RequestLine {
    CopyRequest request;
    const char* line;
};
constexpr RequestLine kRequestLines[] = {
    {CopyRequest::Show, "show\n"},
    {CopyRequest::NewAlarm, "new\n"},
    {CopyRequest::Quit, "quit\n"},
};
constexpr int kAnswerBoundMs = 2000;
// A request longer than this is not one of ours.
constexpr qint64 kMaxRequestBytes = 64;

} // namespace

LocalSocketChannel::LocalSocketChannel(QString socketPath, QObject* parent)
    : RunningCopyChannel(parent)
    , m_path(std::move(socketPath))
{
}

LocalSocketChannel::~LocalSocketChannel()
{
    if (m_server != nullptr) {
        m_server->close();
    }
}

bool LocalSocketChannel::listen()
{
    if (m_server != nullptr) {
        return m_server->isListening();
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // The caller holds the lock: a socket left at the path is a dead copy's.
    QLocalServer::removeServer(m_path);
    connect(m_server, &QLocalServer::newConnection, this, &LocalSocketChannel::readRequests);
    return m_server->listen(m_path);
}

void LocalSocketChannel::readRequests()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequestBytes) {
                    socket->abort();
                }
                return;
            }
            const QByteArray line = socket->readLine(kMaxRequestBytes);
            socket->disconnectFromServer();
            for (const RequestLine& known : kRequestLines) {
                if (line == known.line) {
                    emit requested(known.request);
                }
            }
        });
    }
}

bool LocalSocketChannel::ask(CopyRequest request)
{
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(kAnswerBoundMs)) {
        return false;
    }
    for (const RequestLine& known : kRequestLines) {
        if (known.request == request) {
            socket.write(known.line);
        }
    }
    const bool sent = socket.waitForBytesWritten(kAnswerBoundMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(kAnswerBoundMs);
    }
    return sent;
}

} // namespace kvx
