#include "core/Cp932.h"
#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"
#include "tests/blackbox/SampleData.h"
#include "tests/blackbox/UserSession.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>

#include <csignal>
#include <gtest/gtest.h>
#include <optional>

// Japanese typed as a user types it: through fcitx5 with Anthy, in the
// editor's message box of the built program on the test's X server. The
// romaji reading is converted with Space and committed with Return; the alarm
// added with that message reaches the data file in code page 932.

namespace kvx::test {
namespace {

constexpr int kResidentBoundMs = 30000;
constexpr int kExitBoundMs = 20000;

// Anthy's keyboard group: the layout while the input method is off, Anthy
// once the trigger key turns it on.
const char* const kProfile = R"([Groups/0]
Name=Default
Default Layout=us
DefaultIM=anthy

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=anthy
Layout=

[GroupOrder]
0=Default
)";

const char* const kConfig = R"([Hotkey/TriggerKeys]
0=Control+space
)";

QString missingForInputMethod()
{
    if (qgetenv("KVX_SOUND_SERVER") != "1" || qgetenv("DISPLAY").isEmpty()) {
        return QStringLiteral("the X server and the sound server of the test command");
    }
    if (fakeTimeLibrary().isEmpty()) {
        return QStringLiteral("libfaketime (scripts/install-deps installs it)");
    }
    if (!QFile::exists(QStringLiteral("/usr/share/fcitx5/addon/anthy.conf"))) {
        return QStringLiteral("fcitx5-anthy (scripts/install-deps installs it)");
    }
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath)
            + "/platforminputcontexts/libfcitx5platforminputcontextplugin.so")) {
        return QStringLiteral("fcitx5-frontend-qt6 (scripts/install-deps installs it)");
    }
    return missingTools({QStringLiteral("fcitx5"), QStringLiteral("trayer"), QStringLiteral("xdotool"),
        QStringLiteral("dbus-daemon"), QStringLiteral("dbus-send")});
}

bool writeFile(const QString& path, const char* text)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly)
        && file.write(text) == static_cast<qint64>(qstrlen(text));
}

// True once the input method's service is on the session's bus.
bool inputMethodOnTheBus(const QProcessEnvironment& env)
{
    QProcess ask;
    ask.setProcessEnvironment(env);
    ask.start(QStringLiteral("dbus-send"),
        {QStringLiteral("--session"), QStringLiteral("--print-reply"),
            QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus.NameHasOwner"), QStringLiteral("string:org.fcitx.Fcitx5")});
    return ask.waitForFinished(5000) && ask.readAllStandardOutput().contains("boolean true");
}

TEST(InputMethod, KanjiConvertedByFcitxAndAnthyReachTheDataFile)
{
    KVX_REQUIRE_DESKTOP(missingForInputMethod());
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    // Devices already chosen; the old screen mode, in which "編集" opens the editor.
    ASSERT_TRUE(sandbox.writeSettings({{"MIDINM", "MIDI"}, {"WAVENM", "KvxTestSinkA"}, {"DEFFORM", "1"}}));
    ASSERT_TRUE(sandbox.writeTables(SharedTables()));
    const QString ready = sandbox.scratchFile(QStringLiteral("ready"));
    UserSession session(sandbox.environment(ready, QStringLiteral("xcb")), UserSession::Tray::Shown);
    ASSERT_EQ(session.problem(), std::string());

    // The input method's own settings and Anthy's learning stay in the sandbox.
    const QString config = sandbox.scratchFile(QStringLiteral("config"));
    ASSERT_TRUE(writeFile(config + QStringLiteral("/fcitx5/profile"), kProfile));
    ASSERT_TRUE(writeFile(config + QStringLiteral("/fcitx5/config"), kConfig));
    QProcessEnvironment imEnv = session.environment();
    imEnv.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    imEnv.insert(QStringLiteral("HOME"), sandbox.scratchFile(QStringLiteral("home")));
    Helper inputMethod(QStringLiteral("fcitx5"),
        {QStringLiteral("--disable=all"), QStringLiteral("--enable=dbus,dbusfrontend,keyboard,anthy")},
        imEnv);
    ASSERT_TRUE(pollUntil(kShowBoundMs, [&] { return inputMethodOnTheBus(imEnv); }))
        << inputMethod.process().readAllStandardError().toStdString();

    QProcessEnvironment env = session.environment();
    env.insert(QStringLiteral("QT_IM_MODULE"), QStringLiteral("fcitx"));
    // Tomorrow at 6:00 in the program's clock: the alarm at 7:00 is ahead.
    fakeWallClock(
        env, QDateTime::currentDateTime().secsTo(QDateTime(QDate::currentDate().addDays(1), QTime(6, 0))));
    ResidentProcess program(env, ready);
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitUntilResident(kResidentBoundMs)) << program.output().toStdString();

    const QString kanji = QStringLiteral("日本");
    const std::optional<std::string> failed = session.drive({QStringLiteral("kana"),
        QString::number(program.pid()), QStringLiteral("0700"), QStringLiteral("nihon"), kanji});
    ASSERT_FALSE(failed.has_value()) << *failed << program.output().toStdString();

    QFile data(sandbox.dataFile());
    ASSERT_TRUE(data.open(QIODevice::ReadOnly));
    EXPECT_TRUE(data.readAll().contains(QByteArray::fromStdString(toCp932(kanji.toStdString()))));
    const std::optional<SharedTables> saved = sandbox.readTables();
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->alarms.alarmCount, 1);
    EXPECT_EQ(saved->alarms.alarms[0].message, kanji.toStdString());
    ASSERT_TRUE(program.sendSignal(SIGTERM));
    EXPECT_EQ(program.waitForExit(kExitBoundMs), std::optional<int>(0)) << program.output().toStdString();
}

} // namespace
} // namespace kvx::test
