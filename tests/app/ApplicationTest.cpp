#include "app/Application.h"

#include "doubles/FakeDesktop.h"
#include "doubles/FakeRunningCopyChannel.h"

#include <QFile>
#include <QTemporaryDir>

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

    application.tables().alarms.alarms[0].message = "朝会（変更）";
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
    EXPECT_FALSE(application.view().dataChanged);

    EXPECT_EQ(channel.deliverCommand({"--list"}),
        (CommandAnswer{0, "■09:20 2026/12/08 ｸｲｯｸ －－火－－－－\tお茶\n", ""}));
    EXPECT_EQ(channel.deliverCommand({"--list", "--date", "2026-12-09"}), (CommandAnswer{0, "", ""}));
    EXPECT_EQ(channel.deliverCommand({"--next"}), (CommandAnswer{0, "あと20分 本日09:20\tお茶\n", ""}));

    // Refusals write nothing.
    const std::string before = fileBytes(dataPath);
    const CommandAnswer badNumber = channel.deliverCommand({"--quick", "0"});
    EXPECT_EQ(badNumber.status, 1);
    EXPECT_EQ(badNumber.err, "分を、１から１４４０までの値にしてください\n");
    AlarmTable& table = application.tables().alarms;
    table.alarmCount = AlarmTable::kMaxAlarms;
    table.alarms.resize(AlarmTable::kMaxAlarms + 1);
    const CommandAnswer full = channel.deliverCommand({"--quick", "5"});
    EXPECT_EQ(full, (CommandAnswer{1, "", "アラームは３２７６７件までです\n"}));
    EXPECT_EQ(table.alarmCount, AlarmTable::kMaxAlarms);
    EXPECT_EQ(fileBytes(dataPath), before);
}

} // namespace
} // namespace kvx
