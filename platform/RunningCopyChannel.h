#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace kvx {

// How a second start reaches the copy that runs already: instead of doing
// nothing, it asks that copy to bring its window forward, and ends.
class RunningCopyChannel : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The running copy listens once it holds the lock.
    virtual bool listen() = 0;
    // A second copy asks the running one to show its window; false when no
    // copy answered.
    virtual bool askToShow() = 0;

signals:
    // Another start asked this copy to show its window.
    void showRequested();
};

// The channel over a local socket beside the single-instance lock. Only the
// user can reach it: the lock's folder is private to the user.
class LocalSocketChannel final : public RunningCopyChannel {
    Q_OBJECT

public:
    explicit LocalSocketChannel(QString socketPath, QObject* parent = nullptr);
    ~LocalSocketChannel() override;

    bool listen() override;
    bool askToShow() override;

    const QString& socketPath() const { return m_path; }

private:
    void readRequests();

    QString m_path;
    QLocalServer* m_server = nullptr;
};

} // namespace kvx
