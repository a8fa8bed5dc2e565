#include "platform/DesktopLauncher.h"
#include "doubles/FakeLauncher.h"
#include "support/QtPrinters.h"

#include <QDesktopServices>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace kvx {
namespace {

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;

    // The file handler is called by name, so it has to be a slot.
public slots: // NOLINT(readability-redundant-access-specifiers)
    void open(const QUrl& url) { urls.append(url); }
};

// A folder standing in for PATH, holding programs that do nothing.
class FakePath {
public:
    explicit FakePath(const QStringList& programs)
    {
        for (const QString& name : programs) {
            QFile file(m_directory.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write("#!/bin/sh\nexit 0\n");
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }
    QString path() const { return m_directory.path(); }
    QString programPath(const QString& name) const { return m_directory.filePath(name); }

private:
    QTemporaryDir m_directory;
};

TEST(DesktopLauncher, FindsTheSystemInformationProgramOfTheRunningDesktopFirst)
{
    struct Row {
        const char* name;
        QStringList installed;
        QString desktop;
        QString program;
        QStringList arguments;
    };
    const QStringList overview = {QStringLiteral("info-overview")};
    const Row rows[] = {
        {"nothing installed", {}, QStringLiteral("GNOME"), {}, {}},
        {"only hardinfo", {"hardinfo"}, QStringLiteral("KDE"), "hardinfo", {}},
        {"GNOME opens its About panel", {"gnome-control-center", "hardinfo"}, QStringLiteral("GNOME"),
            "gnome-control-center", overview},
        {"KDE prefers kinfocenter", {"gnome-control-center", "kinfocenter"}, QStringLiteral("KDE"),
            "kinfocenter", {}},
        {"GNOME prefers its own over kinfocenter", {"gnome-control-center", "kinfocenter"},
            QStringLiteral("ubuntu:GNOME"), "gnome-control-center", overview},
        {"desktop names ignore case", {"kinfocenter", "xfce4-about"}, QStringLiteral("xfce"), "xfce4-about",
            {}},
        {"unknown desktop takes the list order", {"hardinfo", "xfce4-about", "kinfocenter"},
            QStringLiteral("Sway"), "kinfocenter", {}},
        {"no desktop named", {"lxqt-about", "hardinfo"}, QString(), "lxqt-about", {}},
    };
    for (const Row& row : rows) {
        const FakePath path(row.installed);
        const DesktopLauncher launcher(
            DesktopLauncher::systemInformationPrograms(), {path.path()}, row.desktop);
        const auto found = launcher.findSystemInformation();
        if (row.program.isEmpty()) {
            EXPECT_FALSE(found.has_value()) << row.name;
            continue;
        }
        ASSERT_TRUE(found.has_value()) << row.name;
        EXPECT_EQ(found->name, path.programPath(row.program)) << row.name;
        EXPECT_EQ(found->arguments, row.arguments) << row.name;
    }
}

TEST(DesktopLauncher, StartingSystemInformationFailsWhenNoneIsInstalled)
{
    const FakePath empty({});
    DesktopLauncher none(DesktopLauncher::systemInformationPrograms(), {empty.path()}, QStringLiteral("KDE"));
    EXPECT_FALSE(none.startSystemInformation());

    const FakePath path({QStringLiteral("hardinfo")});
    DesktopLauncher some(DesktopLauncher::systemInformationPrograms(), {path.path()}, QStringLiteral("KDE"));
    EXPECT_TRUE(some.startSystemInformation());
}

TEST(DesktopLauncher, FilesOpenThroughTheDesktopsFileHandler)
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    DesktopLauncher launcher;
    const bool opened = launcher.openFile(QStringLiteral("/home/u/data/KalvendorixLog.txt"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_TRUE(opened);
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_EQ(recorder.urls.front(), QUrl(QStringLiteral("file:///home/u/data/KalvendorixLog.txt")));
}

TEST(FakeLauncher, RecordsRequestsAndAnswersAsSet)
{
    FakeLauncher launcher;
    EXPECT_TRUE(launcher.openFile(QStringLiteral("/a/KalvendorixLog.txt")));
    launcher.setOpenResult(false);
    EXPECT_FALSE(launcher.openFile(QStringLiteral("/b/KalvendorixLog.txt")));
    EXPECT_EQ(launcher.openedFiles(), QStringList({"/a/KalvendorixLog.txt", "/b/KalvendorixLog.txt"}));
    EXPECT_TRUE(launcher.startSystemInformation());
    launcher.setSystemInformationAvailable(false);
    EXPECT_FALSE(launcher.startSystemInformation());
    EXPECT_EQ(launcher.systemInformationRequests(), 2);
}

} // namespace
} // namespace kvx

#include "LauncherTest.moc"
