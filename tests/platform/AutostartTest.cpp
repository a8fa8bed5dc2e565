#include "platform/DesktopAutostart.h"
#include "doubles/FakeAutostart.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kvx {
namespace {

const QString kProgram = QStringLiteral("/opt/kalvendorix/bin/kalvendorix");

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(DesktopAutostart, RegisterRemoveAndTheExistenceTest)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString directory = home.filePath(QStringLiteral("config/autostart"));
    DesktopAutostart autostart(directory, kProgram);
    EXPECT_EQ(autostart.entryPath(), directory + QStringLiteral("/Kalvendorix.desktop"));

    struct Step {
        const char* name;
        std::function<bool()> act;
        bool result;
        bool registeredAfter;
    };
    const Step steps[] = {
        {"nothing registered at first", [&] { return autostart.isRegistered(); }, false, false},
        {"remove when absent fails", [&] { return autostart.removeEntry(); }, false, false},
        {"register writes the entry (and its folder)", [&] { return autostart.registerEntry(); }, true, true},
        {"remove deletes it", [&] { return autostart.removeEntry(); }, true, false},
        {"register again", [&] { return autostart.registerEntry(); }, true, true},
        {"deleted by hand: no longer registered",
            [&] {
                QFile::remove(autostart.entryPath());
                return autostart.isRegistered();
            },
            false, false},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.act(), step.result) << step.name;
        EXPECT_EQ(autostart.isRegistered(), step.registeredAfter) << step.name;
        EXPECT_EQ(QFile::exists(autostart.entryPath()), step.registeredAfter) << step.name;
    }
}

TEST(DesktopAutostart, RegisteringTwiceLeavesTheExistingEntryAsItWas)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    DesktopAutostart autostart(directory.path(), kProgram);
    ASSERT_TRUE(autostart.registerEntry());
    EXPECT_EQ(contentsOf(autostart.entryPath()), DesktopAutostart::entryText(kProgram).toUtf8());

    const QByteArray custom = "[Desktop Entry]\nName=Edited by the user\nExec=/somewhere/else\n";
    {
        QFile file(autostart.entryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(custom);
    }
    EXPECT_TRUE(autostart.registerEntry());
    EXPECT_EQ(contentsOf(autostart.entryPath()), custom);
}

TEST(DesktopAutostart, TheEntryStartsThisProgramInItsOwnFolder)
{
    struct Row {
        const char* name;
        QString program;
        QString execLine;
        QString pathLine;
    };
    const Row rows[] = {
        {"plain path", kProgram, QStringLiteral("Exec=\"/opt/kalvendorix/bin/kalvendorix\""),
            QStringLiteral("Path=/opt/kalvendorix/bin")},
        {"space in a folder name", QStringLiteral("/home/u/My Apps/kalvendorix"),
            QStringLiteral("Exec=\"/home/u/My Apps/kalvendorix\""), QStringLiteral("Path=/home/u/My Apps")},
        {"shell characters are escaped inside the quotes", QStringLiteral("/a/$x`y\"z/kalvendorix"),
            QStringLiteral("Exec=\"/a/\\\\$x\\\\`y\\\\\"z/kalvendorix\""), QStringLiteral("Path=/a/$x`y\"z")},
        {"a backslash is escaped twice in Exec, once in Path", QStringLiteral("/a\\b/kalvendorix"),
            QStringLiteral("Exec=\"/a\\\\\\\\b/kalvendorix\""), QStringLiteral("Path=/a\\\\b")},
        {"a percent sign is doubled", QStringLiteral("/a/100%/kalvendorix"),
            QStringLiteral("Exec=\"/a/100%%/kalvendorix\""), QStringLiteral("Path=/a/100%")},
        {"non-ASCII is kept", QStringLiteral("/home/太郎/kalvendorix"),
            QStringLiteral("Exec=\"/home/太郎/kalvendorix\""), QStringLiteral("Path=/home/太郎")},
    };
    for (const Row& row : rows) {
        const QStringList lines = DesktopAutostart::entryText(row.program).split(u'\n');
        EXPECT_EQ(lines.value(0), QStringLiteral("[Desktop Entry]")) << row.name;
        EXPECT_TRUE(lines.contains(row.execLine)) << row.name << "\n" << lines.join(u'\n').toStdString();
        EXPECT_TRUE(lines.contains(row.pathLine)) << row.name << "\n" << lines.join(u'\n').toStdString();
        for (const char* line : {"Type=Application", "Name=Kalvendorix", "X-GNOME-Autostart-enabled=true"}) {
            EXPECT_TRUE(lines.contains(QString::fromLatin1(line))) << row.name << " " << line;
        }
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString& l) {
            return l.startsWith("Icon=");
        })) << row.name;
    }
}

TEST(DesktopAutostart, StartedFromPathTheEntryStartsTheProgramByName)
{
    const QString installed = QStringLiteral("/usr/bin/kalvendorix");
    struct Row {
        const char* name;
        QString argument0;
        QString foundOnPath;
        QString exec;
    };
    const Row rows[] = {
        {"a bare name that PATH resolves to this file", QStringLiteral("kalvendorix"), installed,
            QStringLiteral("kalvendorix")},
        {"a bare name that PATH resolves to another file", QStringLiteral("kalvendorix"),
            QStringLiteral("/usr/local/bin/kalvendorix"), installed},
        {"a bare name that PATH does not find", QStringLiteral("kalvendorix"), QString(), installed},
        {"started by its absolute path", installed, installed, installed},
        {"started by a relative path", QStringLiteral("./kalvendorix"), installed, installed},
        {"started by a path through a link", QStringLiteral("bin/kvx"), installed, installed},
        {"a renamed link on PATH", QStringLiteral("kvx"), installed, QStringLiteral("kvx")},
        {"no argument 0", QString(), installed, installed},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DesktopAutostart::execProgram(installed, row.argument0, row.foundOnPath), row.exec) << row.name;
    }
}

TEST(DesktopAutostart, FindOnPathTakesTheFirstExecutableFileAsItsCanonicalPath)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QDir dir(root.path());
    for (const char* folder : {"plain", "exec", "later", "links", "folder/kalvendorix"}) {
        ASSERT_TRUE(dir.mkpath(QString::fromLatin1(folder)));
    }
    const auto makeFile = [&](const QString& path, bool executable) {
        QFile file(dir.filePath(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
        if (executable) {
            permissions |= QFile::ExeOwner;
        }
        ASSERT_TRUE(file.setPermissions(permissions));
    };
    makeFile(QStringLiteral("plain/kalvendorix"), false);
    makeFile(QStringLiteral("exec/kalvendorix"), true);
    makeFile(QStringLiteral("later/kalvendorix"), true);
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("exec/kalvendorix")),
        dir.filePath(QStringLiteral("links/kalvendorix"))));
    const QString exec = QFileInfo(dir.filePath(QStringLiteral("exec/kalvendorix"))).canonicalFilePath();
    const QString later = QFileInfo(dir.filePath(QStringLiteral("later/kalvendorix"))).canonicalFilePath();
    const auto path = [&](std::initializer_list<const char*> folders) {
        QStringList list;
        for (const char* folder : folders) {
            list << (*folder != 0 ? dir.filePath(QString::fromLatin1(folder)) : QString());
        }
        return list.join(u':');
    };

    struct Row {
        const char* name;
        QString program;
        QString pathVariable;
        QString found;
    };
    const Row rows[] = {
        {"the first folder that has it", QStringLiteral("kalvendorix"), path({"exec", "later"}), exec},
        {"order counts", QStringLiteral("kalvendorix"), path({"later", "exec"}), later},
        {"a file without execute permission is passed over", QStringLiteral("kalvendorix"),
            path({"plain", "later"}), later},
        {"a folder of that name is passed over", QStringLiteral("kalvendorix"), path({"folder", "later"}), later},
        {"a link resolves to its target", QStringLiteral("kalvendorix"), path({"links", "later"}), exec},
        {"empty entries are skipped", QStringLiteral("kalvendorix"), path({"", "later", ""}), later},
        {"nowhere on PATH", QStringLiteral("kalvendorix"), path({"plain", "folder"}), QString()},
        {"an empty PATH", QStringLiteral("kalvendorix"), QString(), QString()},
        {"another name", QStringLiteral("kvx"), path({"exec", "later"}), QString()},
        {"a name with a slash is no name", QStringLiteral("exec/kalvendorix"), root.path(), QString()},
        {"no name", QString(), path({"exec"}), QString()},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DesktopAutostart::findOnPath(row.program, row.pathVariable), row.found) << row.name;
    }
}

TEST(DesktopAutostart, AnEntryByNameWritesThePlainNameAndTheProgramFolder)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    DesktopAutostart autostart(
        directory.path(), QStringLiteral("/usr/bin/kalvendorix"), QStringLiteral("kalvendorix"));
    ASSERT_TRUE(autostart.registerEntry());
    const QStringList lines = QString::fromUtf8(contentsOf(autostart.entryPath())).split(u'\n');
    EXPECT_TRUE(lines.contains(QStringLiteral("Exec=kalvendorix"))) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Path=/usr/bin"))) << lines.join(u'\n').toStdString();
    EXPECT_EQ(contentsOf(autostart.entryPath()),
        DesktopAutostart::entryText(QStringLiteral("/usr/bin/kalvendorix"), QStringLiteral("kalvendorix")).toUtf8());
}

TEST(DesktopAutostart, TheDefaultFolderFollowsXdgConfigHome)
{
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString directory = DesktopAutostart::defaultDirectory();
    const QString entry = DesktopAutostart().entryPath();
    if (wasSet) {
        qputenv("XDG_CONFIG_HOME", saved);
    } else {
        qunsetenv("XDG_CONFIG_HOME");
    }
    EXPECT_EQ(directory, config.path() + QStringLiteral("/autostart"));
    EXPECT_EQ(entry, config.path() + QStringLiteral("/autostart/Kalvendorix.desktop"));
}

TEST(FakeAutostart, BehavesAsAnEntryThatExistsOrNot)
{
    FakeAutostart autostart;
    EXPECT_FALSE(autostart.isRegistered());
    EXPECT_FALSE(autostart.removeEntry());
    EXPECT_TRUE(autostart.registerEntry());
    EXPECT_TRUE(autostart.registerEntry());
    EXPECT_TRUE(autostart.isRegistered());
    EXPECT_EQ(autostart.writeCount(), 1);
    autostart.setRegistered(false); // deleted by hand
    EXPECT_FALSE(autostart.isRegistered());
    EXPECT_TRUE(autostart.registerEntry());
    EXPECT_TRUE(autostart.removeEntry());
    EXPECT_EQ(autostart.writeCount(), 2);
    EXPECT_EQ(autostart.removeCount(), 1);
}

} // namespace
} // namespace kvx
