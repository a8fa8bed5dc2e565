#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLocalSocket;
class QSocketNotifier;
class QTimer;

namespace kvx {

// What a later start asks of the copy that runs already: bring its window
// forward (a plain second start, or the desktop's "カレンダーを開く"), start a
// new alarm ("新しいアラーム") or end ("終了").
enum class CopyRequest { Show, NewAlarm, Quit };

} // namespace kvx

Q_DECLARE_METATYPE(kvx::CopyRequest)

namespace kvx {

// What the running copy answers a command from the terminal: the exit status
// for the command to end with, what it prints, and what it tells (UTF-8).
struct CommandAnswer {
    int status = 0;
    std::string out;
    std::string err;

    bool operator==(const CommandAnswer&) const = default;
};

// How a later start reaches the copy that runs already: instead of starting a
// second copy, it hands its request to the running one, and ends.
class RunningCopyChannel : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The running copy listens once it holds the lock.
    virtual bool listen() = 0;
    // A later copy hands its request to the running one; false when no copy
    // answered.
    virtual bool ask(CopyRequest request) = 0;
    // A command of the terminal (its arguments, without the program's name)
    // carried out by the running copy, which answers when it is done; nothing
    // when no copy took it. A copy that took it and gave no answer is a refusal
    // (the command may have been carried out: it is not to be sent again).
    virtual std::optional<CommandAnswer> command(const std::vector<std::string>& arguments) = 0;

    // How the running copy carries out a command; without it, it refuses them.
    std::function<CommandAnswer(const std::vector<std::string>&)> onCommand;

signals:
    // Another start asked this copy for something.
    void requested(kvx::CopyRequest request);
};

// The channel over a local socket beside the single-instance lock. Only the
// user can reach it: the lock's folder is private to the user.
//
// The running copy keeps listening whatever its callers do: it holds a few
// dozen connections at most (the others wait to be taken), drops one that has
// not sent its line within a few seconds, waits and tries again when the
// system has no descriptor left for a connection, and never removes its
// socket while it runs. An answer may be of any length: it is read to the
// end of the connection.
class LocalSocketChannel final : public RunningCopyChannel {
    Q_OBJECT

public:
    struct Limits {
        int mostConnections = 32; // held at once
        int lineBoundMs = 3000; // a connection without its line by then is dropped
    };

    explicit LocalSocketChannel(QString socketPath, QObject* parent = nullptr);
    ~LocalSocketChannel() override;

    bool listen() override;
    bool ask(CopyRequest request) override;
    std::optional<CommandAnswer> command(const std::vector<std::string>& arguments) override;

    const QString& socketPath() const { return m_path; }
    // Connections taken and not yet closed.
    int heldConnections() const { return m_held; }
    void setLimits(Limits limits) { m_limits = limits; }

private:
    void acceptConnections();
    void take(int descriptor);
    // True once the socket's line was taken.
    bool readRequest(QLocalSocket* socket);
    void released();
    QByteArray answerLine(const QByteArray& commandLine) const;

    QString m_path;
    int m_listener = -1;
    QSocketNotifier* m_acceptable = nullptr;
    // Accepting again after the system ran out of descriptors.
    QTimer* m_retry = nullptr;
    Limits m_limits;
    int m_held = 0;
};

} // namespace kvx
