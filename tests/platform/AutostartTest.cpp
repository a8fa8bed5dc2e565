#include "platform/DesktopAutostart.h"
#include "doubles/FakeAutostart.h"
#include "support/QtPrinters.h"

#include <QFile>
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
        for (const char* line : {"Type=Application", "Name=Kalvendorix", "X-GNOME-Autostart-enabled=true"})
            EXPECT_TRUE(lines.contains(QString::fromLatin1(line))) << row.name << " " << line;
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString& l) {
            return l.startsWith("Icon=");
        })) << row.name;
    }
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
    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");
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
