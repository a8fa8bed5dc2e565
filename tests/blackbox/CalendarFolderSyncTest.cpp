#include "core/AlarmIds.h"
#include "tests/blackbox/ProgramSandbox.h"
#include "tests/blackbox/ResidentProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>

// The calendar folder end to end, on one machine: the program's folder,
// vdirsyncer with the shipped example's settings, a Radicale server on a
// loopback port, and a phone (python3-caldav) that changes the calendar on
// the server. Every tool is Debian's; one that is missing fails the test.

namespace kvx::test {
namespace {

constexpr int kBoundMs = 30000;

QString source(const QString& relative)
{
    return QStringLiteral(KVX_SOURCE_DIR "/") + relative;
}

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

ToolRun run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    ToolRun result;
    if (!process.waitForFinished(kBoundMs)) {
        process.kill();
        process.waitForFinished();
        result.err = program + QStringLiteral(" did not end");
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// Polls `done` until it holds or the bound passes: the resident copy takes
// a changed folder in within seconds, on its own time.
bool eventually(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(kBoundMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(100);
    }
    return true;
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CalendarWorld {
public:
    explicit CalendarWorld(const ProgramSandbox& sandbox)
        : m_sandbox(sandbox)
    {
        m_env
            = sandbox.environment(sandbox.scratchFile(QStringLiteral("ready")), QStringLiteral("offscreen"));
        m_env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    }
    ~CalendarWorld()
    {
        m_server.terminate();
        m_server.waitForFinished(5000);
        runCommand(m_env, {QStringLiteral("--quit")});
    }
    CalendarWorld(const CalendarWorld&) = delete;
    CalendarWorld& operator=(const CalendarWorld&) = delete;

    const QProcessEnvironment& env() const { return m_env; }
    QString folder() const { return m_sandbox.rootDirectory() + QStringLiteral("/calendar"); }

    // Radicale on a port of its own choosing, a calendar on it, and
    // vdirsyncer's settings made from the shipped example.
    bool start()
    {
        m_server.setProcessEnvironment(m_env);
        m_server.start(QStringLiteral("/usr/bin/radicale"),
            {QStringLiteral("--config"), QStringLiteral("--server-hosts"), QStringLiteral("127.0.0.1:0"),
                QStringLiteral("--storage-filesystem-folder"),
                m_sandbox.scratchFile(QStringLiteral("radicale")), QStringLiteral("--auth-type"),
                QStringLiteral("none"), QStringLiteral("--logging-level"), QStringLiteral("info")});
        QString log;
        const QRegularExpression listening(QStringLiteral("Listening on '\\[127.0.0.1\\]:(\\d+)'"));
        QRegularExpressionMatch port;
        const bool up = eventually([&] {
            m_server.waitForReadyRead(100);
            log += QString::fromUtf8(m_server.readAllStandardError());
            port = listening.match(log);
            return port.hasMatch() || m_server.state() == QProcess::NotRunning;
        });
        if (!up || !port.hasMatch()) {
            ADD_FAILURE() << "Radicale did not start: " << log.toStdString();
            return false;
        }
        const ToolRun made = phone({QStringLiteral("http://127.0.0.1:%1/phone/").arg(port.captured(1)),
            QStringLiteral("make-calendar"), QStringLiteral("alarms")});
        m_url = made.out.trimmed();
        if (made.status != 0 || m_url.isEmpty()) {
            ADD_FAILURE() << "no calendar: " << made.err.toStdString();
            return false;
        }
        QString config
            = QString::fromUtf8(bytesOf(source(QStringLiteral("packaging/vdirsyncer.conf.example"))));
        config.replace(QStringLiteral("~/.local/share/vdirsyncer/status/"), m_sandbox.scratchFile("status"))
            .replace(QStringLiteral("~/Calendars/Kalvendorix"), folder())
            .replace(QStringLiteral("https://caldav.example.com/path/to/calendar/"), m_url)
            .replace(QStringLiteral("YOUR_USER_NAME"), QStringLiteral("phone"))
            .replace(QStringLiteral("YOUR_PASSWORD"), QStringLiteral("-"))
            .replace(QStringLiteral("\"command\", \"kalvendorix\""),
                QStringLiteral("\"command\", \"%1\"").arg(ResidentProcess::programPath()));
        m_config = m_sandbox.writeScratchFile(QStringLiteral("vdirsyncer.conf"), config.toUtf8());
        return !m_config.isEmpty() && QDir().mkpath(folder()) && sync(QStringLiteral("discover")).status == 0;
    }

    ToolRun sync(const QString& what = QStringLiteral("sync")) const
    {
        ToolRun done
            = run(QStringLiteral("/usr/bin/vdirsyncer"), {QStringLiteral("-c"), m_config, what}, m_env);
        EXPECT_EQ(done.status, 0) << done.err.toStdString();
        return done;
    }

    ToolRun phone(QStringList arguments) const
    {
        arguments.prepend(source(QStringLiteral("tests/blackbox/calendar_phone.py")));
        if (!arguments[1].startsWith(QStringLiteral("http"))) {
            arguments.insert(1, m_url);
        }
        ToolRun done = run(QStringLiteral("/usr/bin/python3"), arguments, m_env);
        EXPECT_EQ(done.status, 0) << done.err.toStdString();
        return done;
    }

    // The phone's events by summary.
    std::map<QString, QJsonObject> events() const
    {
        std::map<QString, QJsonObject> found;
        for (const QString& line : phone({QStringLiteral("events")}).out.split(u'\n', Qt::SkipEmptyParts)) {
            const QJsonObject event = QJsonDocument::fromJson(line.toUtf8()).object();
            found[event[QStringLiteral("summary")].toString()] = event;
        }
        return found;
    }

    std::string list() const { return runCommand(m_env, {QStringLiteral("--list")}).out; }

private:
    const ProgramSandbox& m_sandbox;
    QProcessEnvironment m_env;
    QProcess m_server;
    QString m_url;
    QString m_config;
};

AlarmRecord daily(int hour, const std::string& message)
{
    AlarmRecord alarm;
    alarm.kind = kKindDaily;
    alarm.startTime = OleDate::fromCivil(2026, 1, 5, hour, 0);
    alarm.endTime = alarm.startTime;
    alarm.message = message;
    alarm.preMode = 2;
    alarm.preMinutes = 10;
    return alarm;
}

TEST(CalendarFolderSync, APhoneAndTheProgramShareTheAlarmsThroughACalDavServer)
{
    ProgramSandbox sandbox;
    ASSERT_TRUE(sandbox.isValid());
    CalendarWorld world(sandbox);
    ASSERT_TRUE(sandbox.writeSettings(
        {{"MIDINM", "MIDI"}, {"WAVENM", "Wave"}, {"ICALDIR", world.folder().toStdString()}}));
    SharedTables tables;
    for (const auto& [hour, message] :
        {std::pair{7, "朝の薬"}, {12, "昼休み"}, {18, "夕方の散歩"}, {21, "日記"}}) {
        tables.alarms.add(daily(hour, message));
    }
    ASSERT_TRUE(sandbox.writeTables(tables));
    ASSERT_TRUE(world.start());

    // The program writes its alarms to the folder; the sync puts them on the server.
    EXPECT_NE(world.list().find("朝の薬"), std::string::npos);
    const auto itemCount = [&] { return QDir(world.folder()).entryList({QStringLiteral("*.ics")}).size(); };
    ASSERT_TRUE(eventually([&] { return itemCount() == 4; })) << itemCount();
    world.sync();
    std::map<QString, QJsonObject> events = world.events();
    ASSERT_EQ(events.size(), 4U);
    const QJsonObject medicine = events[QStringLiteral("朝の薬")];
    EXPECT_EQ(medicine[QStringLiteral("rrule")].toString(), QStringLiteral("RRULE:FREQ=DAILY"));
    EXPECT_EQ(medicine[QStringLiteral("triggers")].toArray().size(), 2) << "the main bell and the pre-alarm";

    // The phone moves one, renames one, deletes one, adds a weekly and a yearly event.
    const auto uid
        = [&](const char* summary) { return events[QString::fromUtf8(summary)]["uid"].toString(); };
    const QString start = medicine[QStringLiteral("dtstart")].toString();
    world.phone(
        {QStringLiteral("move"), uid("朝の薬"), start.section(u':', -1).left(9) + QStringLiteral("074500")});
    world.phone({QStringLiteral("rename"), uid("昼休み"), QStringLiteral("昼食")});
    world.phone({QStringLiteral("delete"), uid("夕方の散歩")});
    // In the program's zone: a weekly rule of another zone may fall on other weekdays here.
    const QString zone = QRegularExpression(QStringLiteral("TZID=([^:;]+)")).match(start).captured(1);
    ASSERT_FALSE(zone.isEmpty()) << start.toStdString();
    world.phone(
        {QStringLiteral("add-weekly"), QStringLiteral("水やり"), QStringLiteral("20260106T080000"), zone});
    const QString yearly = world
                               .phone({QStringLiteral("add-yearly"), QStringLiteral("誕生日"),
                                   QStringLiteral("20260301T090000"), zone})
                               .out.trimmed();
    const QString yearlyOnServer = world.phone({QStringLiteral("raw"), yearly}).out;
    world.sync();
    std::string listed;
    EXPECT_TRUE(eventually([&] {
        listed = world.list();
        return listed.find("昼食") != std::string::npos && listed.find("夕方の散歩") == std::string::npos
            && listed.find("水やり") != std::string::npos && listed.find("07:45") != std::string::npos;
    })) << listed;
    EXPECT_EQ(listed.find("昼休み"), std::string::npos) << listed;
    EXPECT_EQ(listed.find("誕生日"), std::string::npos) << "a yearly event is no alarm" << listed;
    const QString yearlyFile = world.folder() + "/" + yearly + ".ics";
    const QByteArray yearlyInFolder = bytesOf(yearlyFile);
    ASSERT_FALSE(yearlyInFolder.isEmpty());

    // The same alarm changed on both sides: here by another computer sharing
    // the data file (the identities beside it), there on the phone.
    std::optional<SharedTables> saved = sandbox.readTables();
    ASSERT_TRUE(saved.has_value());
    const QString dataFolder = QFileInfo(sandbox.dataFile()).absolutePath();
    const std::vector<std::string> ids
        = matchAlarmIds(saved->alarms, bytesOf(dataFolder + "/Kalvendorix.ids").toStdString());
    int diary = -1;
    for (int i = 0; i < saved->alarms.alarmCount; ++i) {
        diary = saved->alarms.alarms[static_cast<std::size_t>(i)].message == "日記" ? i : diary;
    }
    ASSERT_GE(diary, 0);
    saved->alarms.alarms[static_cast<std::size_t>(diary)].message = "日記を書く";
    QFile idsFile(dataFolder + "/Kalvendorix.ids");
    ASSERT_TRUE(idsFile.open(QIODevice::WriteOnly));
    idsFile.write(QByteArray::fromStdString(encodeAlarmIds(saved->alarms, ids)));
    idsFile.close();
    ASSERT_TRUE(sandbox.writeTables(*saved));
    const QString diaryFile = world.folder() + "/" + uid("日記") + ".ics";
    ASSERT_TRUE(eventually([&] { return bytesOf(diaryFile).contains("日記を書く"); }));
    world.phone({QStringLiteral("rename"), uid("日記"), QStringLiteral("日記帳")});
    const ToolRun conflict = world.sync();
    EXPECT_TRUE(conflict.err.contains(QStringLiteral("conflict resolution"))) << conflict.err.toStdString();
    EXPECT_TRUE(eventually([&] {
        listed = world.list();
        return listed.find("日記を書く") != std::string::npos && listed.find("日記帳") != std::string::npos;
    })) << listed;
    world.sync(); // the kept version goes to the server too
    events = world.events();
    EXPECT_EQ(events.count(QStringLiteral("日記帳")), 1U);
    EXPECT_EQ(events.count(QStringLiteral("日記を書く")), 1U);

    // After a restart, a sync sends nothing; the yearly event was never touched.
    ASSERT_EQ(runCommand(world.env(), {QStringLiteral("--quit")}).status, 0);
    EXPECT_TRUE(eventually([&] {
        const CommandRun again = runCommand(world.env(), {QStringLiteral("--list")});
        return again.status == 0 && again.out.find("日記帳") != std::string::npos;
    }));
    const ToolRun quiet = world.sync();
    EXPECT_FALSE(quiet.err.contains(QStringLiteral("Copying ("))
        || quiet.err.contains(QStringLiteral("Deleting item")))
        << quiet.err.toStdString();
    EXPECT_EQ(bytesOf(yearlyFile), yearlyInFolder);
    EXPECT_EQ(world.phone({QStringLiteral("raw"), yearly}).out, yearlyOnServer);
}

} // namespace
} // namespace kvx::test
