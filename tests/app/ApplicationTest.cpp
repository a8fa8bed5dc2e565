#include "app/Application.h"

#include "core/DataFileLock.h"
#include "doubles/FakeDesktop.h"
#include "doubles/FakeRunningCopyChannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace kvx {
namespace {

// The whole program in one process, over the platform doubles.
class ApplicationTest : public ::testing::Test {
protected:
    ApplicationTest()
        : m_desktop(QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0)))
    {
        // Chosen sound devices: the editor then opens without the device chooser.
        const Settings settings(folder());
        settings.writeSettingToBoth("MIDINM", "MIDI");
        settings.writeSettingToBoth("WAVENM", "Wave");
    }

    std::string folder() const { return m_dir.path().toStdString() + "/"; }

    QTemporaryDir m_dir;
    FakeDesktop m_desktop;
};

TEST_F(ApplicationTest, StartsOnTheUsersFileAndSavesItAgainAtTheEnd)
{
    {
        SharedTables earlier;
        AlarmRecord alarm;
        alarm.kind = kKindDaily;
        alarm.startTime = OleDate::fromCivil(2026, 12, 1, 7, 30);
        alarm.message = "朝会";
        earlier.alarms.add(alarm);
        Settings settings(folder());
        ASSERT_TRUE(DataFile().save(earlier, settings.defaultDataPath(), OleDate()));
    }
    Application application(folder(), m_desktop.services, m_desktop.dialogs);
    int finished = 0;
    QObject::connect(&application, &Application::finished, [&finished] { ++finished; });

    ASSERT_EQ(application.start(), ResidentWindow::Start::Running);
    EXPECT_EQ(application.tables().alarms.alarmCount, 1);
    EXPECT_EQ(application.view().calendar.selectedDate, OleDate::fromCivil(2026, 12, 8));
    EXPECT_EQ(application.view().calendar.shownMonth, 12);
    EXPECT_TRUE(m_desktop.tray.isVisible());

    int opened = 0;
    QObject::connect(
        &application.resident(), &ResidentWindow::openMainWindowRequested, [&opened] { ++opened; });
    m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
    EXPECT_EQ(opened, 1);

    AlarmRecord changed = application.tables().alarms.alarms[0];
    changed.message = "朝会（変更）";
    application.store().changeAlarm(0, changed);
    application.resident().exitSequence();
    EXPECT_EQ(finished, 1);
    SharedTables saved;
    ASSERT_TRUE(DataFile().load(saved, application.settings().defaultDataPath(), {}));
    ASSERT_EQ(saved.alarms.alarmCount, 1);
    EXPECT_EQ(saved.alarms.alarms[0].message, "朝会（変更）");
}

TEST_F(ApplicationTest, ASecondCopyStaysOutAndTouchesNothing)
{
    m_desktop.instance.queueAnswer(true);
    m_desktop.instance.queueAnswer(true);
    m_desktop.instance.queueAnswer(true);
    Application application(folder(), m_desktop.services, m_desktop.dialogs);
    EXPECT_EQ(application.start(), ResidentWindow::Start::AnotherCopyRuns);
    EXPECT_FALSE(m_desktop.tray.isVisible());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(application.settings().defaultDataPath())));
}

TEST_F(ApplicationTest, LaterStartsHandTheirRequestToTheRunningCopy)
{
    struct Row {
        const char* name;
        std::optional<CopyRequest> request;
        CopyRequest asked;
    };
    const Row rows[] = {
        {"a plain start", std::nullopt, CopyRequest::Show},
        {"--open", CopyRequest::Show, CopyRequest::Show},
        {"--new", CopyRequest::NewAlarm, CopyRequest::NewAlarm},
        {"--quit", CopyRequest::Quit, CopyRequest::Quit},
    };
    for (const Row& row : rows) {
        FakeRunningCopyChannel channel;
        for (int i = 0; i < 3; ++i) {
            m_desktop.instance.queueAnswer(true);
        }
        Application later(folder(), m_desktop.services, m_desktop.dialogs);
        EXPECT_EQ(later.start(channel, row.request), ResidentWindow::Start::AnotherCopyRuns) << row.name;
        EXPECT_EQ(channel.asked(), std::vector<CopyRequest>{row.asked}) << row.name;
        EXPECT_EQ(channel.listenCount(), 0) << row.name;
    }
}

TEST_F(ApplicationTest, TheRunningCopyCarriesOutItsOwnAndLaterStartsRequests)
{
    m_desktop.instance.queueAnswer(false);
    FakeRunningCopyChannel channel;
    Application running(folder(), m_desktop.services, m_desktop.dialogs);
    ASSERT_EQ(running.start(channel, CopyRequest::NewAlarm), ResidentWindow::Start::Running);
    EXPECT_EQ(channel.listenCount(), 1);
    EXPECT_TRUE(channel.asked().empty());
    ASSERT_NE(running.editor(), nullptr);
    EXPECT_TRUE(running.editor()->isVisible());

    int opened = 0;
    QObject::connect(&running.resident(), &ResidentWindow::openMainWindowRequested, [&opened] { ++opened; });
    channel.deliver(CopyRequest::Show);
    EXPECT_EQ(opened, 1);
    int finished = 0;
    QObject::connect(&running, &Application::finished, [&finished] { ++finished; });
    channel.deliver(CopyRequest::Quit);
    EXPECT_EQ(finished, 1);
}

std::string fileBytes(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<none>");
}

TEST_F(ApplicationTest, TheRunningCopyAnswersTheCommandsOfTheTerminal)
{
    Application application(folder(), m_desktop.services, m_desktop.dialogs);
    FakeRunningCopyChannel channel;
    ASSERT_EQ(application.start(channel), ResidentWindow::Start::Running);
    const std::string dataPath = application.settings().dataPath();

    const CommandAnswer added = channel.deliverCommand({"--quick", "20", "お茶"});
    EXPECT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out, "09:20 2026/12/08 ｸｲｯｸ －－火－－－－\tお茶\n");
    ASSERT_EQ(application.tables().alarms.alarmCount, 1);
    EXPECT_EQ(application.tables().alarms.alarms[0].startTime.formatTimeSeconds(), "09:20:00");
    SharedTables saved;
    ASSERT_TRUE(DataFile().load(saved, dataPath, {}));
    EXPECT_EQ(saved.alarms.alarmCount, 1) << "saved at once";
    EXPECT_FALSE(application.store().modified());

    EXPECT_EQ(channel.deliverCommand({"--list"}),
        (CommandAnswer{0, "■09:20 2026/12/08 ｸｲｯｸ －－火－－－－\tお茶\n", ""}));
    EXPECT_EQ(channel.deliverCommand({"--list", "--date", "2026-12-09"}), (CommandAnswer{0, "", ""}));
    EXPECT_EQ(channel.deliverCommand({"--next"}), (CommandAnswer{0, "あと20分 本日09:20\tお茶\n", ""}));
    // Paused, the answer says so, as the tooltip does.
    application.resident().menuAction("mstop")->trigger();
    EXPECT_EQ(channel.deliverCommand({"--next"}), (CommandAnswer{0, "アラームは停止中です\n", ""}));
    application.resident().menuAction("mstop")->trigger();

    // Refusals write nothing.
    const std::string before = fileBytes(dataPath);
    const CommandAnswer badNumber = channel.deliverCommand({"--quick", "0"});
    EXPECT_EQ(badNumber.status, 1);
    EXPECT_EQ(badNumber.err, "分を、１から１４４０までの値にしてください\n");
    const AlarmTable& table = application.tables().alarms;
    SharedTables full;
    full.alarms.alarmCount = AlarmTable::kMaxAlarms;
    full.alarms.alarms.resize(AlarmTable::kMaxAlarms + 1);
    application.store().replaceData(full);
    const CommandAnswer refused = channel.deliverCommand({"--quick", "5"});
    EXPECT_EQ(refused, (CommandAnswer{1, "", "アラームは３２７６７件までです\n"}));
    EXPECT_EQ(table.alarmCount, AlarmTable::kMaxAlarms);
    EXPECT_EQ(fileBytes(dataPath), before);
    // A request made by hand, not by the command, is checked as strictly.
    application.store().replaceData({});
    for (const std::string& message : {std::string("a\0b", 3), std::string(65536, 'a')}) {
        const CommandAnswer raw = channel.deliverCommand({"--quick", "5", message});
        EXPECT_EQ(raw.status, 1) << raw.err;
        EXPECT_EQ(table.alarmCount, 0);
    }
}

// A command that ends with 1 leaves the data file and the running copy as they
// were: a timer whose save failed is taken back out. Settings that could not
// follow a saved timer are a warning; the timer stays.
TEST_F(ApplicationTest, AQuickTimerThatCannotBeSavedIsTakenBack)
{
    struct Row {
        const char* name;
        std::function<void(Application&)> breakIt;
        int status;
        const char* told;
    };
    const Row rows[] = {
        {"the data folder is gone",
            [](Application& app) {
                app.settings().setDataPath(app.settings().programDirectory() + "gone/x.dat");
            },
            1, "データファイルを保存できませんでした。"},
        {"a folder stands at the data file",
            [](Application& app) {
                ASSERT_TRUE(QDir().mkpath(QString::fromStdString(app.settings().dataPath())));
            },
            1, "データファイルを保存できませんでした。"},
        {"a folder stands at the settings file",
            [](Application& app) {
                QFile::remove(QString::fromStdString(app.settings().mainFile()));
                ASSERT_TRUE(QDir().mkpath(QString::fromStdString(app.settings().mainFile())));
            },
            0, "設定ファイルを保存できませんでした。"},
    };
    for (const Row& row : rows) {
        QTemporaryDir dir;
        const std::string home = dir.path().toStdString() + "/";
        Settings(home).writeSettingToBoth("MIDINM", "MIDI");
        Application application(home, m_desktop.services, m_desktop.dialogs);
        FakeRunningCopyChannel channel;
        ASSERT_EQ(application.start(channel), ResidentWindow::Start::Running) << row.name;
        row.breakIt(application);
        const CommandAnswer answer = channel.deliverCommand({"--quick", "20", "お茶"});
        EXPECT_EQ(answer.status, row.status) << row.name;
        EXPECT_EQ(answer.err.rfind(row.told, 0), 0U) << row.name << ": " << answer.err;
        EXPECT_EQ(answer.out.empty(), row.status != 0) << row.name;
        EXPECT_EQ(application.tables().alarms.alarmCount, row.status == 0 ? 1 : 0) << row.name;
        EXPECT_EQ(channel.deliverCommand({"--list"}).out.empty(), row.status != 0) << row.name;
        EXPECT_FALSE(application.store().modified()) << row.name;
    }
}

// The last exit left the tables in a rescue file: the start offers it while it
// is newer than the data file, and takes it back only when asked to.
TEST_F(ApplicationTest, ARescueFileNewerThanTheDataFileIsOfferedAtStart)
{
    struct Row {
        const char* name;
        int rescueAgeSeconds; // how long before the data file's time the rescue file was written
        bool takeBack;
        bool offered;
        int alarms;
    };
    const Row rows[] = {
        {"newer, left aside", -60, false, true, 1},
        {"newer, taken back", -60, true, true, 2},
        {"older than the data file", 60, true, false, 1},
    };
    for (const Row& row : rows) {
        QTemporaryDir dir;
        const std::string home = dir.path().toStdString() + "/";
        Settings(home).writeSettingToBoth("MIDINM", "MIDI");
        const std::string dataPath = Settings(home).defaultDataPath();
        SharedTables saved;
        AlarmRecord alarm;
        alarm.kind = kKindDaily;
        alarm.startTime = OleDate::fromCivil(2026, 12, 1, 7, 30);
        alarm.message = "朝会";
        saved.alarms.add(alarm);
        ASSERT_TRUE(DataFile().save(saved, dataPath, OleDate()));
        SharedTables rescued = saved;
        alarm.message = "終了の前に足した";
        rescued.alarms.add(alarm);
        rescued.memos.lists[MemoLists::kContact] = {"電話", ""};
        const std::string rescuePath = home + "Kalvendorix.dat.rescue-20261207-233000";
        ASSERT_TRUE(DataFile().save(rescued, rescuePath, OleDate()));
        const QDateTime dataTime = QFileInfo(QString::fromStdString(dataPath)).lastModified();
        QFile rescueFile(QString::fromStdString(rescuePath));
        ASSERT_TRUE(rescueFile.open(QIODevice::ReadWrite));
        ASSERT_TRUE(rescueFile.setFileTime(
            dataTime.addSecs(-row.rescueAgeSeconds), QFileDevice::FileModificationTime));
        rescueFile.close();

        m_desktop.prompter.clear();
        m_desktop.prompter.queueAnswer(row.takeBack);
        Application application(home, m_desktop.services, m_desktop.dialogs);
        ASSERT_EQ(application.start(), ResidentWindow::Start::Running) << row.name;
        const QStringList& questions = m_desktop.prompter.questions();
        ASSERT_EQ(questions.size(), row.offered ? 1 : 0) << row.name;
        if (row.offered) {
            EXPECT_TRUE(questions.front().contains(QString::fromStdString(rescuePath))) << row.name;
            EXPECT_TRUE(questions.front().contains(QStringLiteral("アラーム 2件、メモ 1件"))) << row.name;
        }
        EXPECT_EQ(application.tables().alarms.alarmCount, row.alarms) << row.name;
        SharedTables onDisk;
        ASSERT_TRUE(DataFile().load(onDisk, dataPath, {})) << row.name;
        EXPECT_EQ(onDisk.alarms.alarmCount, row.alarms) << row.name << ": taken back is saved at once";
        EXPECT_TRUE(QFile::exists(QString::fromStdString(rescuePath))) << row.name;
    }
}

// A data path longer than the system allows is never cut into another path:
// it is told, and nothing is written where the cut path would lead.
TEST_F(ApplicationTest, AnOverlongDataPathIsToldAndNothingIsWrittenElsewhere)
{
    QTemporaryDir dir;
    const std::string home = dir.path().toStdString() + "/";
    const std::string folder = home + "shared/";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    // Cut to 4,096 bytes, it would name a file in the folder "shared/".
    const std::string overlong = folder + std::string(4200, 'a') + "/Kalvendorix.dat";
    Settings(home).writeSettingToBoth("DATAPATH", overlong);
    qputenv("XDG_STATE_HOME", (dir.path() + QStringLiteral("/state")).toUtf8());
    Application application(home, m_desktop.services, m_desktop.dialogs);
    ASSERT_EQ(application.start(), ResidentWindow::Start::Running);
    EXPECT_EQ(application.settings().dataPath(), overlong) << "never cut";
    ASSERT_FALSE(m_desktop.prompter.messages().isEmpty());
    EXPECT_TRUE(m_desktop.prompter.messages().front().contains(QStringLiteral("パスが長すぎます")))
        << m_desktop.prompter.messages().front().toStdString();
    application.resident().exitSequence();
    qunsetenv("XDG_STATE_HOME");
    EXPECT_TRUE(application.resident().exited());
    EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList{});
}

// Anyone who may write to the data folder may put links or files there: the
// start says so once, with the way to close it, and runs on.
TEST_F(ApplicationTest, ADataFolderOthersMayWriteIsToldAtStart)
{
    for (const QFileDevice::Permissions extra :
        {QFileDevice::Permissions{}, QFileDevice::Permissions{QFileDevice::WriteGroup},
            QFileDevice::Permissions{QFileDevice::WriteOther}}) {
        QTemporaryDir dir;
        const std::string home = dir.path().toStdString() + "/";
        Settings(home).writeSettingToBoth("MIDINM", "MIDI");
        ASSERT_TRUE(QFile::setPermissions(
            dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | extra));
        m_desktop.prompter.clear();
        Application application(home, m_desktop.services, m_desktop.dialogs);
        ASSERT_EQ(application.start(), ResidentWindow::Start::Running);
        const QStringList told = m_desktop.prompter.messages().filter(QStringLiteral("chmod 700"));
        const bool open = extra.toInt() != 0;
        ASSERT_EQ(told.size(), open ? 1 : 0) << extra.toInt();
        if (open) {
            EXPECT_TRUE(told.front().contains(QStringLiteral("chmod 700 '%1'").arg(dir.path())))
                << told.front().toStdString();
        }
    }
}

// A data folder that another computer reaches too: its live lock is told once
// at start, naming it; a lock this computer's ended process left is cleared;
// the program's own lock stands while it runs and goes with its exit.
TEST_F(ApplicationTest, AnotherComputersLockIsToldOnceAndOursComesAndGoes)
{
    QTemporaryDir dir;
    const std::string home = dir.path().toStdString() + "/";
    Settings(home).writeSettingToBoth("MIDINM", "MIDI");
    const QString computer = QString::fromStdString(thisComputerName());
    const QString laptop = dir.filePath(QStringLiteral("Kalvendorix.dat.lock-laptop-4242"));
    const QString stale = dir.filePath(QStringLiteral("Kalvendorix.dat.lock-%1-999999").arg(computer));
    for (const auto& [path, text] : {std::pair{laptop, QByteArray("laptop\n4242\n")},
             std::pair{stale, (computer + QStringLiteral("\n999999\n")).toUtf8()}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    m_desktop.prompter.clear();
    Application application(home, m_desktop.services, m_desktop.dialogs);
    ASSERT_EQ(application.start(), ResidentWindow::Start::Running);
    EXPECT_EQ(m_desktop.prompter.messages().filter(QStringLiteral("別のコンピューター")),
        QStringList{QStringLiteral("このデータファイルは別のコンピューター（laptop）でも使われています。変更"
                                   "は保存のときに合わせます。")});
    const QString ours
        = QStringLiteral("Kalvendorix.dat.lock-%1-%2").arg(computer).arg(QCoreApplication::applicationPid());
    const QStringList locks{QStringLiteral("Kalvendorix.dat.lock-*")};
    QStringList found = QDir(dir.path()).entryList(locks);
    found.sort();
    QStringList expected{QStringLiteral("Kalvendorix.dat.lock-laptop-4242"), ours};
    expected.sort();
    EXPECT_EQ(found, expected);
    application.resident().exitSequence();
    EXPECT_EQ(
        QDir(dir.path()).entryList(locks), QStringList{QStringLiteral("Kalvendorix.dat.lock-laptop-4242")});
}

} // namespace
} // namespace kvx
