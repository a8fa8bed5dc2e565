#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <optional>
#include <string>
#include <sys/types.h>

namespace kvx::test {

// One run of the built program, watched from outside: started with a given
// environment, resident once it has written its process id into the ready
// file, ended by a signal. Every wait is bounded. A run still going when the
// object dies is killed, so that a failed test leaves no program behind.
class ResidentProcess {
public:
    // `wrapper`, when given, is a command that runs the program in its own
    // process (prlimit with its options).
    ResidentProcess(
        const QProcessEnvironment& environment, QString readyFile, const QStringList& wrapper = {});
    ~ResidentProcess();
    ResidentProcess(const ResidentProcess&) = delete;
    ResidentProcess& operator=(const ResidentProcess&) = delete;

    static QString programPath();

    // Options for the program, before start().
    void setArguments(const QStringList& arguments) { m_process.setArguments(m_leading + arguments); }
    bool start();
    // True once the ready file names this process; false when the program
    // ended first or `boundMs` passed.
    bool waitUntilResident(int boundMs);
    // Milliseconds from just before the start to the first sight of the ready file.
    qint64 msUntilResident() const { return m_msUntilResident; }

    qint64 pid() const { return m_process.processId(); }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    bool sendSignal(int signalNumber) const;
    // The exit code of a normal exit within `boundMs`; nothing when the
    // program is still running then or died of a signal.
    std::optional<int> waitForExit(int boundMs);
    // Everything the program wrote to its standard output and error.
    QString output();

private:
    QProcess m_process;
    // The wrapper's arguments and the program, before the program's own.
    QStringList m_leading;
    QString m_readyFile;
    QElapsedTimer m_sinceStart;
    qint64 m_msUntilResident = -1;
    bool m_started = false;
    QByteArray m_output;
};

// One command of the terminal (`kalvendorix --quick ...`), run to its end.
struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};
// Runs the built program with `arguments`; `asUser`, when given, is a command
// that runs it as another user (setpriv with its options).
CommandRun runCommand(
    const QProcessEnvironment& env, const QStringList& arguments, const QStringList& asUser = {});

bool processAlive(pid_t pid);

} // namespace kvx::test
