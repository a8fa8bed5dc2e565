#include "tests/blackbox/UserSession.h"

#include "tests/blackbox/DesktopProbe.h"

#include <QStandardPaths>

namespace kvx::test {

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

} // namespace

QString fakeTimeLibrary()
{
    return QStringLiteral(KVX_FAKETIME_LIBRARY);
}

void fakeWallClock(QProcessEnvironment& env, qint64 offsetSeconds)
{
    const QString preload = env.value(QStringLiteral("LD_PRELOAD"));
    env.insert(QStringLiteral("LD_PRELOAD"),
        preload.isEmpty() ? fakeTimeLibrary() : fakeTimeLibrary() + u':' + preload);
    env.insert(QStringLiteral("FAKETIME"),
        QStringLiteral("%1%2").arg(offsetSeconds < 0 ? "" : "+").arg(offsetSeconds));
    env.insert(QStringLiteral("FAKETIME_NO_CACHE"), QStringLiteral("1"));
    env.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
    env.insert(QStringLiteral("NO_FAKE_STAT"), QStringLiteral("1"));
    // The sanitizer runtime insists on being the first library loaded; the
    // preloaded clock comes before it and replaces none of its functions.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"),
        asan.isEmpty() ? QStringLiteral("verify_asan_link_order=0")
                       : asan + QStringLiteral(":verify_asan_link_order=0"));
}

QString missingTools(const QStringList& tools)
{
    for (const QString& tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            return QStringLiteral("%1 (scripts/install-deps installs it)").arg(tool);
        }
    }
    if (QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import pyatspi")}) != 0) {
        return QStringLiteral("python3-pyatspi (scripts/install-deps installs it)");
    }
    return {};
}

Helper::Helper(const QString& program, const QStringList& arguments, const QProcessEnvironment& env)
{
    m_process.setProcessEnvironment(env);
    m_process.start(program, arguments);
}

Helper::~Helper()
{
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

std::unique_ptr<Helper> startSessionBus(
    const QStringList& arguments, QProcessEnvironment& env, std::string& problem)
{
    auto bus = std::make_unique<Helper>(QStringLiteral("dbus-daemon"),
        arguments + QStringList{QStringLiteral("--nofork"), QStringLiteral("--print-address=1")}, env);
    if (!bus->process().waitForReadyRead(10000)) {
        problem = "the session bus did not start";
        return nullptr;
    }
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
        QString::fromLocal8Bit(bus->process().readLine()).trimmed());
    return bus;
}

UserSession::UserSession(const QProcessEnvironment& env, Tray tray)
    : m_env(env)
{
    m_bus = startSessionBus({QStringLiteral("--session")}, m_env, m_problem);
    if (!m_bus) {
        return;
    }
    m_env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    // The session's accessibility bus runs before its programs start.
    QProcess registry;
    registry.setProcessEnvironment(m_env);
    registry.start(
        kPython, {QStringLiteral("-c"), QStringLiteral("import pyatspi; pyatspi.Registry.getDesktop(0)")});
    if (!registry.waitForFinished(20000) || registry.exitCode() != 0) {
        m_problem = "no accessibility bus: " + registry.readAllStandardError().toStdString();
        return;
    }
    if (tray == Tray::None) {
        return;
    }
    m_tray = std::make_unique<Helper>(QStringLiteral("trayer"),
        QStringList{QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
            QStringLiteral("left"), QStringLiteral("--widthtype"), QStringLiteral("request"),
            QStringLiteral("--height"), QStringLiteral("32")},
        m_env);
    if (!m_tray->process().waitForStarted(5000) || !pollUntil(kShowBoundMs, [] {
            return DesktopProbe::windowWithTitle(QStringLiteral("panel")).has_value();
        })) {
        m_problem = "the notification area did not come up";
    }
}

std::optional<std::string> UserSession::drive(const QStringList& arguments) const
{
    QProcess user;
    user.setProcessEnvironment(m_env);
    user.start(
        kPython, QStringList{QStringLiteral(KVX_SOURCE_DIR "/tests/blackbox/drive_user.py")} + arguments);
    if (!user.waitForFinished(90000)) {
        return "the user was not done within 90 s";
    }
    if (user.exitCode() != 0) {
        return user.readAllStandardError().toStdString();
    }
    return std::nullopt;
}

} // namespace kvx::test
