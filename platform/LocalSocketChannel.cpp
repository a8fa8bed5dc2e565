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
// A command of the terminal is the line "run", each argument after a space,
// percent-encoded; the answer is one line: the status, then what is printed
// and what is told, each percent-encoded after a space.
constexpr char kCommandWord[] = "run";
constexpr int kAnswerBoundMs = 2000;
// Carrying out a command may take a save of the data file.
constexpr int kCommandBoundMs = 20000;
// A request longer than this is not one of ours.
constexpr qint64 kMaxRequestBytes = 64 * 1024;

// The fields of a line, the empty ones kept.
QList<QByteArray> fieldsOf(QByteArray line)
{
    if (line.endsWith('\n')) {
        line.chop(1);
    }
    return line.split(' ');
}

bool isCommandLine(const QByteArray& line)
{
    return line == QByteArray(kCommandWord) + '\n' || line.startsWith(QByteArray(kCommandWord) + ' ');
}

std::vector<std::string> argumentsOf(const QByteArray& line)
{
    const QList<QByteArray> parts = fieldsOf(line);
    std::vector<std::string> arguments;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        arguments.push_back(QByteArray::fromPercentEncoding(parts[i]).toStdString());
    }
    return arguments;
}

QByteArray encoded(const std::string& text)
{
    return QByteArray::fromStdString(text).toPercentEncoding();
}

std::optional<CommandAnswer> answerOf(const QByteArray& line)
{
    const QList<QByteArray> parts = fieldsOf(line);
    bool number = false;
    const int status = parts.isEmpty() ? 0 : parts[0].toInt(&number);
    if (parts.size() != 3 || !number) {
        return std::nullopt;
    }
    return CommandAnswer{status, QByteArray::fromPercentEncoding(parts[1]).toStdString(),
        QByteArray::fromPercentEncoding(parts[2]).toStdString()};
}

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

QByteArray LocalSocketChannel::answerLine(const QByteArray& commandLine) const
{
    CommandAnswer answer{1, {}, "このコマンドは受け付けていません"};
    if (onCommand) {
        answer = onCommand(argumentsOf(commandLine));
    }
    return QByteArray::number(answer.status) + ' ' + encoded(answer.out) + ' ' + encoded(answer.err) + '\n';
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
            const QByteArray line = socket->readLine(kMaxRequestBytes + 1);
            if (isCommandLine(line)) {
                // Written before the socket closes: the asking copy waits for it.
                socket->write(answerLine(line));
                socket->disconnectFromServer();
                return;
            }
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

std::optional<CommandAnswer> LocalSocketChannel::command(const std::vector<std::string>& arguments)
{
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(kAnswerBoundMs)) {
        return std::nullopt;
    }
    QByteArray line(kCommandWord);
    for (const std::string& argument : arguments) {
        line += ' ' + encoded(argument);
    }
    socket.write(line + '\n');
    if (!socket.waitForBytesWritten(kAnswerBoundMs)) {
        return std::nullopt;
    }
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState) {
        if (!socket.waitForReadyRead(kCommandBoundMs)) {
            break;
        }
    }
    // The copy has the command now and may have carried it out: a lost answer
    // must not make the caller ask again (a second quick timer) or start a copy.
    std::optional<CommandAnswer> answer
        = socket.canReadLine() ? answerOf(socket.readLine(kMaxRequestBytes + 1)) : std::nullopt;
    if (!answer) {
        return CommandAnswer{1, {},
            "実行中の Kalvendorix から応答がありませんでした。コマンドが実行されたかどうかは分かりません\n"};
    }
    return answer;
}

} // namespace kvx
