#include "tests/blackbox/ResidentProcess.h"

#include <QDeadlineTimer>
#include <QFile>

#include <csignal>

namespace kvx::test {

namespace {

constexpr int kPollMs = 5;

qint64 pidInFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    bool ok = false;
    const qint64 pid = file.readAll().trimmed().toLongLong(&ok);
    return ok ? pid : -1;
}

} // namespace

ResidentProcess::ResidentProcess(
    const QProcessEnvironment& environment, QString readyFile, const QStringList& wrapper)
    : m_readyFile(std::move(readyFile))
{
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    if (wrapper.isEmpty()) {
        m_process.setProgram(programPath());
    } else {
        m_process.setProgram(wrapper.front());
        m_leading = wrapper.mid(1) + QStringList{programPath()};
        m_process.setArguments(m_leading);
    }
}

ResidentProcess::~ResidentProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString ResidentProcess::programPath()
{
    return QStringLiteral(KVX_PROGRAM);
}

bool ResidentProcess::start()
{
    QFile::remove(m_readyFile);
    m_sinceStart.start();
    m_process.start();
    m_started = m_process.waitForStarted(10000);
    return m_started;
}

bool ResidentProcess::waitUntilResident(int boundMs)
{
    const QDeadlineTimer deadline(boundMs);
    while (!deadline.hasExpired()) {
        if (pidInFile(m_readyFile) == pid() && pid() > 0) {
            m_msUntilResident = m_sinceStart.elapsed();
            return true;
        }
        // Waiting on the process doubles as the pause between two looks.
        if (m_process.state() == QProcess::NotRunning || m_process.waitForFinished(kPollMs)) {
            return false;
        }
    }
    return false;
}

bool ResidentProcess::sendSignal(int signalNumber) const
{
    return pid() > 0 && ::kill(static_cast<pid_t>(pid()), signalNumber) == 0;
}

std::optional<int> ResidentProcess::waitForExit(int boundMs)
{
    if (!m_started) {
        return std::nullopt;
    }
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(boundMs)) {
        return std::nullopt;
    }
    if (m_process.exitStatus() != QProcess::NormalExit) {
        return std::nullopt;
    }
    return m_process.exitCode();
}

CommandRun runCommand(const QProcessEnvironment& env, const QStringList& arguments, const QStringList& asUser)
{
    constexpr int kCommandBoundMs = 60000;
    QProcess command;
    command.setProcessEnvironment(env);
    if (asUser.isEmpty()) {
        command.start(ResidentProcess::programPath(), arguments);
    } else {
        command.start(
            asUser.front(), asUser.mid(1) + QStringList{ResidentProcess::programPath()} + arguments);
    }
    CommandRun run;
    if (!command.waitForFinished(kCommandBoundMs)) {
        command.kill();
        command.waitForFinished(kCommandBoundMs);
        run.err = "did not end";
        return run;
    }
    run.status = command.exitStatus() == QProcess::NormalExit ? command.exitCode() : -1;
    run.out = command.readAllStandardOutput().toStdString();
    run.err = command.readAllStandardError().toStdString();
    return run;
}

bool processAlive(pid_t pid)
{
    return ::kill(pid, 0) == 0;
}

QString ResidentProcess::output()
{
    m_output += m_process.readAll();
    return QString::fromLocal8Bit(m_output);
}

} // namespace kvx::test
