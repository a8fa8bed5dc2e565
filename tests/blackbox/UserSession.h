#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QThread>

#include <memory>
#include <optional>
#include <string>

// What the black-box tests of a user's desktop share: bounded polling, a
// faked wall clock for the program, helper processes, and the user's session
// (session bus, accessibility bus, notification area) in which
// tests/blackbox/drive_user.py works the program's windows.

namespace kvx::test {

inline constexpr int kShowBoundMs = 10000;

template <typename Check> bool pollUntil(int boundMs, Check check)
{
    constexpr int kPollMs = 50;
    const QDeadlineTimer deadline(boundMs);
    while (!deadline.hasExpired()) {
        if (check()) {
            return true;
        }
        QThread::msleep(kPollMs);
    }
    return check();
}

// Empty when libfaketime was not found at configure time.
QString fakeTimeLibrary();

// The program's wall clock runs `offsetSeconds` ahead of the real one.
void fakeWallClock(QProcessEnvironment& env, qint64 offsetSeconds);

// What is missing of `tools` (programs on the PATH) and pyatspi; empty when
// nothing is.
QString missingTools(const QStringList& tools);

// CI runs every test: there a missing server or tool is a failure, not a skip.
#define KVX_REQUIRE_DESKTOP(missing)                                                                         \
    do {                                                                                                     \
        if (!(missing).isEmpty()) {                                                                          \
            if (qgetenv("CI") == "true") {                                                                   \
                FAIL() << "CI=true and this is missing: " << (missing).toStdString();                        \
            }                                                                                                \
            GTEST_SKIP() << "needs " << (missing).toStdString();                                             \
        }                                                                                                    \
    } while (false)

// A helper process of the test, ended with the test.
class Helper {
public:
    Helper(const QString& program, const QStringList& arguments, const QProcessEnvironment& env);
    ~Helper();
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
};

// A private session bus: dbus-daemon with `arguments` (which bus, which
// configuration). Its address is put into `env`; null, and `problem` said,
// when it did not start.
std::unique_ptr<Helper> startSessionBus(
    const QStringList& arguments, QProcessEnvironment& env, std::string& problem);

// A user's desktop session on the display that `env` names: a private session
// bus with its accessibility bus and, on an X display, a notification area.
class UserSession {
public:
    enum class Tray { Shown, None };

    UserSession(const QProcessEnvironment& env, Tray tray);

    // Empty when the session is up.
    const std::string& problem() const { return m_problem; }
    const QProcessEnvironment& environment() const { return m_env; }

    // Runs tests/blackbox/drive_user.py as the user; its error output when it failed.
    std::optional<std::string> drive(const QStringList& arguments) const;

private:
    QProcessEnvironment m_env;
    std::unique_ptr<Helper> m_bus;
    std::unique_ptr<Helper> m_tray;
    std::string m_problem;
};

} // namespace kvx::test
