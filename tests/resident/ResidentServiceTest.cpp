#include "ResidentFixture.h"
#include "core/PosixFileSink.h"
#include "doubles/FakeSessionEnd.h"

#include <QAction>
#include <QFile>
#include <QMenu>

namespace kvx {
namespace {

TEST_F(ResidentTest, StartGate)
{
    struct Row {
        const char* name;
        const char* flag; // nullptr: no flag written
        std::vector<bool> running;
        bool starts;
        int waits;
    };
    const Row rows[] = {
        {"first start ever", nullptr, {false}, true, 0},
        {"clean exit before", "0", {false}, true, 0},
        {"a copy runs", "1", {true}, false, 0},
        {"stale flag of a crashed copy costs two waits", "1", {false, false, false}, true, 2},
        {"a copy that is just ending", "0", {true, false}, true, 1},
        {"a copy that keeps running is never joined by a second", "0", {true, true, true}, false, 2},
        {"a stale flag beside a running copy", "1", {false, true, true}, false, 2},
    };
    for (const Row& row : rows) {
        QTemporaryDir dir;
        Settings settings(dir.path().toStdString() + "/");
        if (row.flag != nullptr) {
            ProfileFile(settings.mainFile()).write(kSettingsSection, "STARTFLG", row.flag);
        }
        FakeClock clock(m_clock.now());
        FakeInstanceGuard instance;
        for (const bool running : row.running) {
            instance.queueAnswer(running);
        }
        FakeTrayIcon tray;
        ResidentServices services{clock, m_prompter, tray, m_media, m_fallback, m_volumes, instance,
            m_autostart, m_launcher, m_datagrams, m_wallClock, m_notifier, m_wake};
        AlarmStore store(settings);
        ResidentWindow resident(store, settings, services);

        const auto result = resident.startUp();

        EXPECT_EQ(result == ResidentWindow::Start::Running, row.starts) << row.name;
        EXPECT_EQ(clock.waitCount(), row.waits) << row.name;
        EXPECT_EQ(tray.isVisible(), row.starts) << row.name;
        const std::string flag
            = ProfileFile(settings.mainFile()).readString(kSettingsSection, "STARTFLG", "<absent>");
        EXPECT_EQ(flag, row.starts ? "1" : row.flag) << row.name << ": a copy that ends touches nothing";
        EXPECT_EQ(resident.alarmTimerActive(), row.starts) << row.name;
    }
}

// A session that ends while the program starts (a logout, a service stop)
// ends it at once, and never saves over the user's file from tables that were
// not loaded yet.
TEST_F(ResidentTest, AnEndDuringTheStartUpEndsItWithoutSavingAnything)
{
    struct Row {
        const char* name;
        int endAtMs; // -1: before the start-up begins
        ResidentWindow::Start result;
    };
    const Row rows[] = {
        {"before the start-up", -1, ResidentWindow::Start::Ended},
        {"at the start of the first wait", 1, ResidentWindow::Start::Ended},
        {"in the first wait", 500, ResidentWindow::Start::Ended},
        {"at the end of the first wait", 1000, ResidentWindow::Start::Ended},
        {"in the second wait", 1500, ResidentWindow::Start::Ended},
        {"after the waits, once resident", 2500, ResidentWindow::Start::Running},
    };
    for (const Row& row : rows) {
        QTemporaryDir dir;
        Settings settings(dir.path().toStdString() + "/");
        settings.setDataPath(settings.defaultDataPath());
        SharedTables earlier;
        for (int i = 0; i < 5; ++i) {
            earlier.alarms.add(dailyAlarm(8, i));
        }
        ASSERT_TRUE(DataFile().save(earlier, settings.dataPath(), OleDate()));
        // A crashed copy left its flag up: the gate waits twice.
        ProfileFile(settings.mainFile()).write(kSettingsSection, "STARTFLG", "1");
        ProfileFile(settings.mainFile()).write(kSettingsSection, "FORMFLAG", "3");
        QFile dataFile(QString::fromStdString(settings.dataPath()));
        ASSERT_TRUE(dataFile.open(QIODevice::ReadOnly));
        const QByteArray before = dataFile.readAll();
        dataFile.close();

        FakeClock clock(m_clock.now());
        FakeInstanceGuard instance;
        FakeTrayIcon tray;
        ResidentServices services{clock, m_prompter, tray, m_media, m_fallback, m_volumes, instance,
            m_autostart, m_launcher, m_datagrams, m_wallClock, m_notifier, m_wake};
        AlarmStore store(settings);
        ResidentWindow resident(store, settings, services);
        int quits = 0;
        QObject::connect(&resident, &ResidentWindow::quitRequested, [&quits] { ++quits; });
        std::unique_ptr<Timer> end = clock.createTimer();
        end->setSingleShot(true);
        end->onTimeout = [&resident] { resident.exitSequence(); };
        if (row.endAtMs < 0) {
            resident.exitSequence();
        } else {
            end->start(row.endAtMs);
        }

        EXPECT_EQ(resident.startUp(), row.result) << row.name;
        clock.advanceMs(3000);

        EXPECT_EQ(quits, 1) << row.name;
        EXPECT_TRUE(resident.exited()) << row.name;
        EXPECT_FALSE(tray.isVisible()) << row.name;
        EXPECT_FALSE(resident.alarmTimerActive()) << row.name;
        EXPECT_EQ(instance.releaseCount(), row.endAtMs < 0 ? 0 : 1)
            << row.name << ": the lock taken by the gate, and only that, is given back";
        ASSERT_TRUE(dataFile.open(QIODevice::ReadOnly));
        const QByteArray after = dataFile.readAll();
        dataFile.close();
        if (row.result == ResidentWindow::Start::Ended) {
            EXPECT_EQ(after, before) << row.name << ": the data file is not written";
            EXPECT_EQ(ProfileFile(settings.mainFile()).readString(kSettingsSection, "FORMFLAG", ""), "3")
                << row.name << ": nor the settings";
        }
        SharedTables reloaded;
        ASSERT_TRUE(DataFile().load(reloaded, settings.dataPath(), {}));
        EXPECT_EQ(reloaded.alarms.alarmCount, 5) << row.name << ": every alarm is still there";
        resident.exitSequence();
        EXPECT_EQ(quits, 1) << row.name << ": a second end changes nothing";
    }
}

// Failures are told once, at the moment they happen, with the file and the
// reason: the program must not sit in the tray while the user believes the
// alarms set.
TEST_F(ResidentTest, ALockThatCannotBeTakenStopsTheStartAndSaysWhy)
{
    m_instance.setProblem(
        {QStringLiteral("/run/user/1000/kalvendorix.lock"), QStringLiteral("Permission denied")});
    EXPECT_EQ(m_resident->startUp(), ResidentWindow::Start::Refused);
    EXPECT_EQ(m_prompter.messages(),
        QStringList{QStringLiteral(
            "起動を確認できませんでした\n/run/user/1000/kalvendorix.lock\nPermission denied")});
    EXPECT_FALSE(m_tray.isVisible());
    EXPECT_EQ(readMain("STARTFLG"), "<absent>");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(m_settings.defaultDataPath())));
}

TEST_F(ResidentTest, ADataFileThatCannotBeReadIsToldAndKept)
{
    const std::string path = m_settings.defaultDataPath();
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a data file of this program at all");
    }
    start();
    ASSERT_EQ(m_prompter.messages().size(), 1);
    const QStringList lines = m_prompter.messages().front().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("データファイルを読み込めませんでした。"));
    EXPECT_EQ(lines[1], QString::fromStdString(path));
    EXPECT_EQ(lines.back(),
        QStringLiteral(
            "元のファイルは、次の保存の前に「Kalvendorix.dat.unreadable-年月日-時分」として残します。"));
    EXPECT_TRUE(m_tray.isVisible()) << "the program runs on";
}

TEST_F(ResidentTest, AnExitSaveThatFailsIsTold)
{
    QTemporaryDir elsewhere;
    const std::string dataPath = elsewhere.path().toStdString() + "/mine.dat";
    writeMain("DATAPATH", dataPath);
    start();
    m_prompter.clear();
    // The folder of the data file went away (an unmounted drive).
    ASSERT_TRUE(elsewhere.remove());

    m_resident->exitSequence();

    ASSERT_FALSE(m_prompter.messages().isEmpty());
    const QStringList lines = m_prompter.messages().front().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("データファイルを保存できませんでした。"));
    EXPECT_EQ(lines[1], QString::fromStdString(dataPath));
    EXPECT_TRUE(m_resident->exited());
}

TEST_F(ResidentTest, AnEndOfTheSessionIsNeverHeldUpByAMessage)
{
    QTemporaryDir elsewhere;
    writeMain("DATAPATH", elsewhere.path().toStdString() + "/mine.dat");
    start();
    m_prompter.clear();
    ASSERT_TRUE(elsewhere.remove());

    m_resident->endSession();

    EXPECT_TRUE(m_prompter.shown().isEmpty()) << "nobody may be there to answer at a logout";
    EXPECT_TRUE(m_resident->exited());
}

TEST_F(ResidentTest, StartWritesTheRunningFlagIntoBothSettingsFiles)
{
    QTemporaryDir elsewhere;
    const std::string dataPath = elsewhere.path().toStdString() + "/mine.dat";
    writeMain("DATAPATH", dataPath);
    ProfileFile(elsewhere.path().toStdString() + "/Kalvendorix.ini")
        .write(kSettingsSection, "DATAPATH", dataPath);
    start();
    EXPECT_EQ(readMain("STARTFLG"), "1");
    EXPECT_EQ(ProfileFile(m_settings.dataSideFile()).readString(kSettingsSection, "STARTFLG", ""), "1");
    EXPECT_EQ(m_settings.dataSideFile(), elsewhere.path().toStdString() + "/Kalvendorix.ini");
}

TEST_F(ResidentTest, MenuCaptionsInOrder)
{
    start();
    addAlarm(dailyAlarm(7, 30));
    // The next bell heads the menu (GNOME draws no tooltip), as the menu opens.
    emit m_resident->iconMenu()->aboutToShow();
    QStringList captions;
    for (QAction* action : m_resident->iconMenu()->actions()) {
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    EXPECT_EQ(captions,
        QStringList({m_tray.toolTip(), "-", "編集", "スタートアップ", "-", "一時停止", "-", "ログ表示", "-",
            "バージョン情報", "-", "終了"}));
    EXPECT_TRUE(captions.front().startsWith(QStringLiteral("あと"))) << captions.front().toStdString();
    EXPECT_FALSE(m_resident->menuAction("mnext")->isEnabled());
    EXPECT_EQ(m_tray.menu(), m_resident->iconMenu());
    EXPECT_EQ(m_tray.image(), TrayIcon::Image::Application);
}

TEST_F(ResidentTest, StartupCheckMarksFollowTheSettingThenTheEntry)
{
    struct Row {
        const char* name;
        const char* startmd;
        bool registered;
    };
    const Row rows[] = {{"registered", "1", true}, {"removed", "0", false}, {"absent", nullptr, false},
        {"odd value", "2", false}};
    for (const Row& row : rows) {
        QTemporaryDir dir;
        Settings settings(dir.path().toStdString() + "/");
        if (row.startmd != nullptr) {
            ProfileFile(settings.mainFile()).write(kSettingsSection, "STARTMD", row.startmd);
        }
        AlarmStore store(settings);
        ResidentWindow resident(store, settings, m_services);
        ASSERT_EQ(resident.startUp(), ResidentWindow::Start::Running);
        EXPECT_EQ(resident.menuAction("mstartin")->isChecked(), row.registered) << row.name;
        EXPECT_EQ(resident.menuAction("mstartout")->isChecked(), !row.registered) << row.name;
    }
}

TEST_F(ResidentTest, AutostartRegisteredTwiceRemovedAndRemovedByHand)
{
    start();
    m_resident->menuAction("mstartin")->trigger();
    m_resident->menuAction("mstartin")->trigger();
    EXPECT_EQ(m_autostart.writeCount(), 1);
    EXPECT_TRUE(m_autostart.isRegistered());
    EXPECT_EQ(readMain("STARTMD"), "1");
    EXPECT_TRUE(m_resident->menuAction("mstartin")->isChecked());

    m_resident->menuAction("mstartout")->trigger();
    EXPECT_FALSE(m_autostart.isRegistered());
    EXPECT_EQ(readMain("STARTMD"), "0");
    EXPECT_TRUE(m_resident->menuAction("mstartout")->isChecked());

    // Removing again only moves the check marks.
    writeMain("STARTMD", "untouched");
    m_resident->menuAction("mstartout")->trigger();
    EXPECT_EQ(m_autostart.removeCount(), 1);
    EXPECT_EQ(readMain("STARTMD"), "untouched");

    // The entry deleted by hand: the menu about to show moves the check mark,
    // whoever shows it (a StatusNotifierItem host sends no click first).
    m_resident->menuAction("mstartin")->trigger();
    m_autostart.setRegistered(false);
    emit m_resident->iconMenu()->aboutToShow();
    EXPECT_FALSE(m_resident->menuAction("mstartin")->isChecked());
    EXPECT_TRUE(m_resident->menuAction("mstartout")->isChecked());
    EXPECT_EQ(m_tray.menu(), m_resident->iconMenu());
}

TEST_F(ResidentTest, PauseSilencesAlarmsAndResumeRestoresTheIcon)
{
    start();
    addAlarm(dailyAlarm(7, 30));
    m_resident->menuAction("mstop")->trigger();
    EXPECT_TRUE(m_resident->alarmsPaused());
    EXPECT_TRUE(m_resident->menuAction("mstop")->isChecked());
    EXPECT_EQ(m_tray.image(), TrayIcon::Image::Stop);
    EXPECT_EQ(m_tray.toolTip(), QStringLiteral("アラームは停止中です"));

    advanceTo(7, 31, 0);
    EXPECT_EQ(m_resident->ringer().ringingIndex(), -1);
    EXPECT_TRUE(m_log.isEmpty()) << m_log.join(", ").toStdString();
    EXPECT_EQ(m_tray.toolTip(), QStringLiteral("アラームは停止中です")) << "no refresh while paused";

    m_resident->menuAction("mstop")->trigger();
    EXPECT_FALSE(m_resident->alarmsPaused());
    EXPECT_EQ(m_tray.image(), TrayIcon::Image::Application);
    EXPECT_TRUE(m_tray.toolTip().endsWith(QStringLiteral("明日07:30")))
        << "at once, not from the next minute";
    // The minute passed while paused does not ring afterwards.
    advanceTo(7, 31, 30);
    EXPECT_EQ(m_resident->ringer().ringingIndex(), -1);
}

TEST_F(ResidentTest, AFiredAlarmTellsTheListsOncePerRing)
{
    start();
    addAlarm(dailyAlarm(7, 30));
    int changes = 0;
    QObject::connect(&m_store, &AlarmStore::tablesChanged, [&changes] { ++changes; });
    advanceTo(7, 29, 59, 900);
    EXPECT_EQ(changes, 0);
    advanceTo(7, 30, 0, 100);
    EXPECT_EQ(changes, 1);
    advanceTo(7, 30, 58);
    EXPECT_EQ(changes, 1) << "the ticks of the same minute fire nothing again";
}

TEST_F(ResidentTest, OpenActionCancelsTheStopArmedByTheFirstClick)
{
    start();
    int opened = 0;
    int heardBySecond = 0;
    QObject::connect(m_resident.get(), &ResidentWindow::openMainWindowRequested, [&opened] { ++opened; });
    QObject::connect(
        m_resident.get(), &ResidentWindow::openMainWindowRequested, [&heardBySecond] { ++heardBySecond; });
    addAlarm(dailyAlarm(7, 30));
    advanceTo(7, 30, 0, 100);
    ASSERT_TRUE(m_resident->alarmSounding());

    m_tray.trigger(TrayIcon::Action::LeftButtonDown);
    EXPECT_TRUE(m_resident->ringer().stopTimerArmed());
    m_clock.advanceMs(200);
    m_tray.trigger(TrayIcon::Action::LeftDoubleClick);
    EXPECT_FALSE(m_resident->ringer().stopTimerArmed());
    EXPECT_EQ(opened, 1);
    m_clock.advanceMs(600);
    EXPECT_TRUE(m_resident->alarmSounding()) << "the double click must not stop the alarm";

    m_resident->menuAction("medit")->trigger();
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(heardBySecond, 2) << "every window listening hears the open action";
}

TEST_F(ResidentTest, ExitSequenceSavesEverythingThenLowersTheFlag)
{
    start();
    int quits = 0;
    QObject::connect(m_resident.get(), &ResidentWindow::quitRequested, [&quits] { ++quits; });
    const int index = addAlarm(dailyAlarm(7, 30));
    m_store.defaults().lastSavedIndex = static_cast<std::int16_t>(index);
    m_store.defaults().message = "二行の\r\nメッセージ";
    m_store.window().formPosition = "3";
    advanceTo(7, 30, 0, 500);
    ASSERT_TRUE(m_resident->alarmSounding());
    m_log.clear();

    m_resident->menuAction("mend")->trigger();

    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(m_resident->exited());
    EXPECT_EQ(m_tray.removeCount(), 1);
    EXPECT_EQ(readMain("STARTFLG"), "0");
    EXPECT_EQ(readMain("MESSAGE"), "二行の!*#メッセージ");
    EXPECT_EQ(readMain("FORMFLAG"), "3");
    EXPECT_EQ(readMain("DATAPATH"), "") << "the default data file is stored as an empty path";
    EXPECT_EQ(m_instance.releaseCount(), 1);
    // The ringing sound ends and the saved volumes come back, mute state included.
    EXPECT_TRUE(m_log.contains("stop"));
    EXPECT_FALSE(m_media.isOpen());
    EXPECT_EQ(wave(0).volume, kSavedWave);
    EXPECT_TRUE(wave(0).muted);
    EXPECT_EQ(m_tables.alarms.alarmCount, 0) << "tables are erased";

    SharedTables reloaded;
    ASSERT_TRUE(DataFile().load(reloaded, m_settings.dataPath(), {}));
    ASSERT_EQ(reloaded.alarms.alarmCount, 1);
    EXPECT_EQ(reloaded.alarms.alarms[0].lastAlarm.formatDateTime(), "2026/12/08 07:30");

    m_resident->exitSequence();
    EXPECT_EQ(quits, 1) << "the exit sequence runs once";
}

// Writes the data file for real and notes what the rest of the program looked
// like at the moment the file reached the disk.
class WitnessSink final : public FileSink {
public:
    std::function<void()> atCommit;
    bool open(const std::string& path) override { return m_sink.open(path); }
    bool write(std::string_view bytes) override { return m_sink.write(bytes); }
    bool commit() override
    {
        atCommit();
        return m_sink.commit();
    }
    void discard() override { m_sink.discard(); }

private:
    PosixFileSink m_sink;
};

TEST_F(ResidentTest, ExitSavesTheDataFileFirstAndLowersTheFlagLast)
{
    WitnessSink sink;
    AlarmStore store(m_settings, sink);
    ResidentWindow resident(store, m_settings, m_services);
    ASSERT_EQ(resident.startUp(), ResidentWindow::Start::Running);
    store.defaults().lastSavedIndex = 0;
    store.addAlarm(dailyAlarm(7, 30));
    advanceTo(7, 30, 0, 100);
    ASSERT_TRUE(resident.alarmSounding());

    std::string flagAtSave;
    std::string preflagAtSave;
    int removesAtSave = -1;
    MediaStatus soundAtSave = MediaStatus::Closed;
    sink.atCommit = [&] {
        flagAtSave = readMain("STARTFLG");
        preflagAtSave = readMain("PREFLAG");
        removesAtSave = m_tray.removeCount();
        soundAtSave = m_media.status();
    };
    resident.exitSequence();

    EXPECT_EQ(flagAtSave, "1") << "the flag comes down after everything is saved";
    EXPECT_EQ(preflagAtSave, "<absent>") << "the data file comes before the settings";
    EXPECT_EQ(removesAtSave, 0) << "the icon goes after the save";
    EXPECT_EQ(soundAtSave, MediaStatus::Playing) << "the sound stops after the save";
    EXPECT_EQ(readMain("PREFLAG"), "0");
    EXPECT_EQ(readMain("STARTFLG"), "0");
    EXPECT_EQ(m_media.status(), MediaStatus::Closed);
}

TEST_F(ResidentTest, NoAlarmDefaultsWrittenBeforeAnAlarmIsSaved)
{
    start();
    m_resident->exitSequence();
    EXPECT_EQ(readMain("PREFLAG"), "<absent>");
    EXPECT_EQ(readMain("COPYACTION"), "1");
    EXPECT_EQ(readMain("STARTFLG"), "0");
}

TEST_F(ResidentTest, SessionEndRunsTheExitSequenceExactlyOnce)
{
    start();
    FakeSessionEnd sessionEnd;
    int quits = 0;
    sessionEnd.onEnd = [this] { m_resident->endSession(); };
    QObject::connect(m_resident.get(), &ResidentWindow::quitRequested, [&] {
        ++quits;
        sessionEnd.markEnded();
    });
    sessionEnd.trigger();
    sessionEnd.trigger();
    m_resident->exitSequence();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(m_tray.removeCount(), 1);
    EXPECT_EQ(readMain("STARTFLG"), "0");
}

TEST_F(ResidentTest, ShowLogOpensTheLogNextToTheDataFileOrSaysThereIsNone)
{
    start();
    m_resident->menuAction("mlog")->trigger();
    EXPECT_EQ(m_prompter.messages(), QStringList({"ログはまだ作成されていません"}));
    EXPECT_TRUE(m_launcher.openedFiles().isEmpty());

    QFile log(QString::fromStdString(m_settings.logFile()));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.close();
    m_resident->menuAction("mlog")->trigger();
    EXPECT_EQ(m_launcher.openedFiles(), QStringList({QString::fromStdString(m_settings.logFile())}));
    EXPECT_EQ(m_prompter.messages().size(), 1);
}

} // namespace
} // namespace kvx
