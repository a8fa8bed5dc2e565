#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace kvx {

// What a later start asks of the copy that runs already: bring its window
// forward (a plain second start, or the desktop's "カレンダーを開く"), start a
// new alarm ("新しいアラーム") or end ("終了").
enum class CopyRequest { Show, NewAlarm, Quit };

} // namespace kvx

Q_DECLARE_METATYPE(kvx::CopyRequest)

namespace kvx {

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

signals:
    // Another start asked this copy for something.
    void requested(kvx::CopyRequest request);
};

// The channel over a local socket beside the single-instance lock. Only the
// user can reach it: the lock's folder is private to the user.
class LocalSocketChannel final : public RunningCopyChannel {
    Q_OBJECT

public:
    explicit LocalSocketChannel(QString socketPath, QObject* parent = nullptr);
    ~LocalSocketChannel() override;

    bool listen() override;
    bool ask(CopyRequest request) override;

    const QString& socketPath() const { return m_path; }

private:
    void readRequests();

    QString m_path;
    QLocalServer* m_server = nullptr;
};

} // namespace kvx
