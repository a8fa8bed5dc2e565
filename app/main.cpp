// Kalvendorix: the resident alarm clock. Wires the real desktop services to the
// resident service and runs until the exit sequence ends it.
#include "app/Application.h"
#include "app/CalendarFiles.h"
#include "app/CommandLine.h"
#include "app/DisplayPlatform.h"
#include "core/Settings.h"
#include "platform/AppIcons.h"
#include "platform/Clock.h"
#include "platform/DBusDesktopNotifier.h"
#include "platform/DatagramSender.h"
#include "platform/DesktopAutostart.h"
#include "platform/DesktopLauncher.h"
#include "platform/Dialogs.h"
#include "platform/FontSubstitutions.h"
#include "platform/HelperWakeAlarm.h"
#include "platform/LoadedSoundStack.h"
#include "platform/LockFileInstanceGuard.h"
#include "platform/Prompter.h"
#include "platform/QtTranslations.h"
#include "platform/QtTrayIcon.h"
#include "platform/RunningCopyChannel.h"
#include "platform/UnixSessionEnd.h"
#include "platform/WallClockWatch.h"
#include "resident/Version.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

// Tells a waiting script that the program is resident: icon added, tick running.
void reportReady()
{
    const QByteArray path = qgetenv("KVX_READY_FILE");
    if (path.isEmpty()) {
        return;
    }
    QFile file(QString::fromLocal8Bit(path));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QByteArray::number(QCoreApplication::applicationPid()));
    }
}

std::string environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// Asks Qt for the display platform chosen for this session. The choice is the
// program's own: the programs it starts (the log's text editor) make theirs.
class DisplayPlatformChoice {
public:
    DisplayPlatformChoice()
        : m_platform(kvx::chooseDisplayPlatform(
            {environmentValue("QT_QPA_PLATFORM"), environmentValue("WAYLAND_DISPLAY"),
                environmentValue("DISPLAY"), environmentValue("XDG_SESSION_TYPE")}))
    {
        if (m_platform) {
            qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*m_platform));
        }
    }
    // Once the application object has opened its display.
    void done() const
    {
        if (m_platform) {
            qunsetenv("QT_QPA_PLATFORM");
        }
    }

private:
    std::optional<std::string> m_platform;
};

// How long a command waits for a copy it started to listen.
constexpr qint64 kStartBoundMs = 30000;
constexpr unsigned long kStartPollMs = 100;

QString socketPathOf(const kvx::LockFileInstanceGuard& instance)
{
    // The channel lives beside the lock, in a folder only the user can reach.
    return QFileInfo(instance.lockFilePath()).absolutePath() + QStringLiteral("/kalvendorix.socket");
}

// A command of the terminal is carried out by the running copy. With none
// running, a copy is started in the background, where it stays resident after
// the command has ended; the command waits until it listens.
int carryOutInRunningCopy(const std::vector<std::string>& arguments)
{
    kvx::LockFileInstanceGuard instance;
    kvx::LocalSocketChannel channel(socketPathOf(instance));
    std::optional<kvx::CommandAnswer> answer = channel.command(arguments);
    if (!answer) {
        QProcess resident;
        resident.setProgram(QCoreApplication::applicationFilePath());
        resident.setStandardInputFile(QProcess::nullDevice());
        resident.setStandardOutputFile(QProcess::nullDevice());
        resident.setStandardErrorFile(QProcess::nullDevice());
        if (!resident.startDetached()) {
            std::cerr << "kalvendorix: Kalvendorix を起動できませんでした\n";
            return 1;
        }
        QElapsedTimer waited;
        waited.start();
        while (!answer && waited.elapsed() < kStartBoundMs) {
            QThread::msleep(kStartPollMs);
            answer = channel.command(arguments);
        }
    }
    if (!answer) {
        std::cerr << "kalvendorix: 起動した Kalvendorix から応答がありません\n";
        return 1;
    }
    std::cout << answer->out << std::flush;
    if (!answer->err.empty()) {
        std::cerr << "kalvendorix: " << answer->err;
    }
    return answer->status;
}

} // namespace

int main(int argc, char* argv[])
{
    // Help, version and refusals need no desktop: they come before the application object.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const kvx::CommandLine command = kvx::parseCommandLine(arguments);
    if (!command.error.empty()) {
        std::cerr << "kalvendorix: " << command.error << "\n";
        if (command.errorStatus == 2) {
            std::cerr << "「kalvendorix --help」で使い方を表示します\n";
        }
        return command.errorStatus;
    }
    if (command.help) {
        std::cout << kvx::commandLineHelp();
        return 0;
    }
    if (command.version) {
        std::cout << "Kalvendorix " << kvx::kVersionText << "\n";
        return 0;
    }

    // A sync tool's conflict is settled here, whether a copy runs or not.
    if (command.command == kvx::TerminalCommand::ResolveICalendar) {
        const kvx::CommandAnswer answer = kvx::resolveICalendarConflict(command.path, command.secondPath);
        std::cout << answer.out << std::flush;
        std::cerr << answer.err;
        return answer.status;
    }
    // The commands of the terminal need no desktop either.
    if (command.command != kvx::TerminalCommand::None) {
        const QCoreApplication core(argc, argv);
        return carryOutInRunningCopy(kvx::withAbsolutePaths(arguments, QDir::currentPath().toStdString()));
    }

    const DisplayPlatformChoice platform;
    QApplication app(argc, argv);
    platform.done();
    QApplication::setApplicationName(QStringLiteral("Kalvendorix"));
    // A Wayland compositor finds the window's icon and name by the desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("kalvendorix"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(kvx::applicationIcon());
    kvx::installQtTranslations();
    kvx::installFontSubstitutions();
    // The sound stack is loaded by the first sound played, not here: most
    // starts (autostart at login) play nothing for hours, and its libraries
    // and GStreamer's plugin registry would cost every start time and memory.

    kvx::SystemClock clock;
    kvx::MessageBoxPrompter prompter;
    kvx::QtTrayIcon tray;
    kvx::LoadedSoundStack sound(kvx::LoadedSoundStack::modulePaths(QCoreApplication::applicationDirPath()));
    kvx::LockFileInstanceGuard instance;
    kvx::DesktopAutostart autostart;
    kvx::DesktopLauncher launcher;
    kvx::UdpDatagramSender datagrams;
    kvx::SystemWallClockWatch wallClock;
    // The session bus is reached here, at the start, so that a ring only ever
    // sends on a connection already made.
    kvx::DBusDesktopNotifier notifier(QDBusConnection::sessionBus(), QStringLiteral("kalvendorix"));
    // Started only while the user wants a sleeping computer woken for the bells.
    kvx::HelperWakeAlarm wake(kvx::HelperWakeAlarm::helperPaths(QCoreApplication::applicationDirPath()));
    kvx::ResidentServices services{clock, prompter, tray, sound.media(), sound.fallback(), sound.volumes(),
        instance, autostart, launcher, datagrams, wallClock, notifier, wake};

    kvx::LocalSocketChannel channel(socketPathOf(instance));
    // Ending is asked of the running copy; with none running there is nothing to end.
    if (command.request == kvx::CopyRequest::Quit) {
        if (!channel.ask(kvx::CopyRequest::Quit)) {
            std::cerr << "kalvendorix: 動いている Kalvendorix はありません\n";
        }
        return 0;
    }

    kvx::QtDialogs dialogs;
    kvx::Application application(kvx::resolveProgramDirectory(), services, dialogs);
    kvx::UnixSessionEnd sessionEnd;
    sessionEnd.onEnd = [&application] { application.resident().endSession(); };
    QObject::connect(&application, &kvx::Application::finished, [&sessionEnd] {
        sessionEnd.markEnded();
        QCoreApplication::exit(0);
    });

    switch (application.start(channel, command.request)) {
    case kvx::ResidentWindow::Start::Running:
        break;
    case kvx::ResidentWindow::Start::Refused:
        return 1;
    case kvx::ResidentWindow::Start::AnotherCopyRuns:
    case kvx::ResidentWindow::Start::Ended:
        return 0;
    }
    reportReady();
    return QApplication::exec();
}
