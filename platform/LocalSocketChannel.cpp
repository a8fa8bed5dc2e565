#include "platform/RunningCopyChannel.h"

#include <QFile>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

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
// A request longer than this is not one of ours: the longest message the data
// file holds, percent-encoded, is well below it.
constexpr qint64 kMaxRequestBytes = 1024 * 1024;
// An answer longer than this is not one of ours.
constexpr qint64 kMaxAnswerBytes = qint64{1} << 30;
// Waiting for descriptors to be free again.
constexpr int kRetryAcceptMs = 250;
constexpr int kBacklog = 64;

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
    // The connections still held close first, without calling back into a
    // channel half gone.
    for (QLocalSocket* socket : findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly)) {
        disconnect(socket, nullptr, this, nullptr);
        delete socket;
    }
    if (m_listener >= 0) {
        ::close(m_listener);
        ::unlink(QFile::encodeName(m_path).constData());
    }
}

bool LocalSocketChannel::listen()
{
    if (m_listener >= 0) {
        return true;
    }
    const QByteArray path = QFile::encodeName(m_path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(path.size()) >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0) {
        return false;
    }
    // The caller holds the lock: a socket left at the path is a dead copy's.
    ::unlink(path.constData());
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::chmod(path.constData(), 0600) != 0 || ::listen(listener, kBacklog) != 0) {
        ::close(listener);
        return false;
    }
    m_listener = listener;
    m_acceptable = new QSocketNotifier(static_cast<qintptr>(listener), QSocketNotifier::Read, this);
    connect(m_acceptable, &QSocketNotifier::activated, this, &LocalSocketChannel::acceptConnections);
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &LocalSocketChannel::acceptConnections);
    return true;
}

// Takes the waiting connections while there is room; what the system cannot
// give a descriptor for now waits in the backlog and is taken a little later.
// The undefined-behaviour sanitizer checks an object's type by reading its
// memory through a pipe: with no descriptor left, the very case handled here,
// it would take these sound objects for broken ones.
__attribute__((no_sanitize("vptr"))) void LocalSocketChannel::acceptConnections()
{
    while (m_held < m_limits.mostConnections) {
        const int descriptor = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (descriptor >= 0) {
            take(descriptor);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            m_acceptable->setEnabled(true);
            return;
        }
        // Out of descriptors (EMFILE, ENFILE) or memory: try again soon.
        m_acceptable->setEnabled(false);
        m_retry->start(kRetryAcceptMs);
        return;
    }
    m_acceptable->setEnabled(false);
}

void LocalSocketChannel::take(int descriptor)
{
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(descriptor);
        delete socket;
        return;
    }
    ++m_held;
    // A caller that sends no line in time, or does not take its answer, is dropped.
    auto* bound = new QTimer(socket);
    bound->setSingleShot(true);
    connect(bound, &QTimer::timeout, socket, &QLocalSocket::abort);
    bound->start(m_limits.lineBoundMs);
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
        socket->deleteLater();
        released();
    });
    const auto read = [this, socket, bound] {
        if (readRequest(socket)) {
            bound->start(kAnswerBoundMs + kCommandBoundMs);
        }
    };
    connect(socket, &QLocalSocket::readyRead, this, read);
    // What arrived with the connection is read at once.
    if (socket->bytesAvailable() > 0) {
        read();
    }
}

void LocalSocketChannel::released()
{
    --m_held;
    if (m_held < m_limits.mostConnections && !m_retry->isActive()) {
        acceptConnections();
    }
}

QByteArray LocalSocketChannel::answerLine(const QByteArray& commandLine) const
{
    CommandAnswer answer{1, {}, "このコマンドは受け付けていません"};
    if (onCommand) {
        answer = onCommand(argumentsOf(commandLine));
    }
    return QByteArray::number(answer.status) + ' ' + encoded(answer.out) + ' ' + encoded(answer.err) + '\n';
}

bool LocalSocketChannel::readRequest(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestBytes) {
            socket->abort();
        }
        return false;
    }
    const QByteArray line = socket->readLine(kMaxRequestBytes + 1);
    if (isCommandLine(line)) {
        // Written before the socket closes: the asking copy reads to the end.
        socket->write(answerLine(line));
        socket->disconnectFromServer();
        return true;
    }
    socket->disconnectFromServer();
    for (const RequestLine& known : kRequestLines) {
        if (line == known.line) {
            emit requested(known.request);
        }
    }
    return true;
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
    // The answer is read to the end of the connection, however long it is.
    QByteArray received;
    while (socket.state() == QLocalSocket::ConnectedState && received.size() <= kMaxAnswerBytes) {
        if (!socket.waitForReadyRead(kCommandBoundMs)) {
            break;
        }
        received += socket.readAll();
    }
    received += socket.readAll();
    // The copy has the command now and may have carried it out: a lost answer
    // must not make the caller ask again (a second quick timer) or start a copy.
    std::optional<CommandAnswer> answer
        = received.endsWith('\n') && received.count('\n') == 1 ? answerOf(received) : std::nullopt;
    if (!answer) {
        return CommandAnswer{1, {},
            "実行中の Kalvendorix から応答がありませんでした。コマンドが実行されたかどうかは分かりません\n"};
    }
    return answer;
}

} // namespace kvx
