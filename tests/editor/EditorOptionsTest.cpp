#include "EditorFixture.h"
#include "core/ProfileFile.h"
#include "editor/EditorWindow.h"
#include "schedule/EditorInput.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>

namespace kvx {
namespace {

std::string settingIn(const std::string& file, const char* key)
{
    return ProfileFile(file).readString(kSettingsSection, key, "<absent>");
}

TEST_F(EditorTest, AnotherWaveDeviceIsRestoredReadAndRaisedInsteadOfTheOld)
{
    using Kind = VolumeDevices::Kind;
    const int headset = m_desktop.volumes.addDevice(Kind::Wave, QStringLiteral("ヘッドセット"), 0x10001000U);
    startWith();
    showTab(EditorWindow::kSoundTab);
    click("Check24");
    QFile ring(m_dir.filePath(QStringLiteral("ring.wav")));
    ASSERT_TRUE(ring.open(QIODevice::WriteOnly));
    ring.close();
    edit("Text11")->setText(ring.fileName());
    // The test raises the device in use; switching restores it and reads the other.
    click("Command12");
    ASSERT_FALSE(m_desktop.volumes.state(Kind::Wave, 0)->muted);
    click("Command12");
    m_desktop.volumes.setVolume(Kind::Wave, 0, 0xFFFFFFFFU);
    auto* devices = get<QComboBox>("Combo4");
    devices->setFocus();
    QTest::keyClick(devices, Qt::Key_Down);
    ASSERT_EQ(devices->currentText(), QStringLiteral("ヘッドセット"));
    EXPECT_EQ(m_desktop.volumes.state(Kind::Wave, 0)->volume, 0x40004000U);
    EXPECT_EQ(get<QScrollBar>("HScroll2")->value(), 0x1000 - 32768);
    get<QScrollBar>("HScroll2")->setValue(32767);
    click("Command12");
    EXPECT_EQ(m_desktop.volumes.state(Kind::Wave, headset)->volume, 0xFFFFFFFFU);
    EXPECT_EQ(m_desktop.volumes.state(Kind::Wave, 0)->volume, 0x40004000U);
    click("Command12");
    EXPECT_EQ(m_desktop.volumes.state(Kind::Wave, headset)->volume, 0x10001000U);
    EXPECT_TRUE(m_desktop.volumes.state(Kind::Wave, 0)->muted);
}

// A file that is not there is told, and no volume is touched for it.
TEST_F(EditorTest, TheSoundTestOfAMissingFileSaysSoAndLeavesTheVolumes)
{
    using Kind = VolumeDevices::Kind;
    startWith();
    showTab(EditorWindow::kSoundTab);
    click("Check24");
    edit("Text11")->setText(m_dir.filePath(QStringLiteral("gone.wav")));
    const FakeVolumeDevices::State before = *m_desktop.volumes.state(Kind::Wave, 0);
    click("Command12");
    EXPECT_EQ(m_desktop.prompter.messages(), QStringList{QStringLiteral("指定されたファイルはありません")});
    EXPECT_EQ(m_desktop.volumes.state(Kind::Wave, 0)->volume, before.volume);
    EXPECT_EQ(m_desktop.volumes.state(Kind::Wave, 0)->muted, before.muted);
    EXPECT_EQ(m_desktop.media.status(), MediaStatus::Closed);
}

TEST_F(EditorTest, ThePortBoxKeepsAPortNumberAndOkWritesTheTransferSettings)
{
    startWith();
    showTab(EditorWindow::kLinkTab);
    QLineEdit* port = edit("Text16");
    struct Typed {
        const char* keys;
        const char* shown;
    };
    for (const Typed& row : {Typed{"１２a", "12"}, Typed{"80a", "80"}, Typed{"１２", "１２"}}) {
        port->clear();
        type(port, QString::fromUtf8(row.keys));
        EXPECT_EQ(port->text(), QString::fromUtf8(row.shown)) << row.keys;
        EXPECT_EQ(port->cursorPosition(), port->text().size()) << row.keys;
    }
    EXPECT_TRUE(m_desktop.prompter.messages().isEmpty());
    port->clear();
    type(port, QStringLiteral("65536"));
    EXPECT_EQ(port->text(), QStringLiteral("6553"));
    EXPECT_EQ(m_desktop.prompter.messages(), QStringList{QString::fromUtf8(kPortRangeMessage)});
    type(port, QStringLiteral("0"));
    EXPECT_EQ(port->text(), QStringLiteral("65530"));
    EXPECT_EQ(m_desktop.prompter.messages().size(), 1);

    click("Option12");
    click("Command8");
    for (const std::string& file : {m_app->settings().mainFile(), m_app->settings().dataSideFile()}) {
        EXPECT_EQ(settingIn(file, "PORTNUM"), "65530");
        EXPECT_EQ(settingIn(file, "COPYACTION"), "2");
    }
}

TEST_F(EditorTest, TheNoticeBoxTurnsDesktopNoticesOffAtOnceAndOkKeepsIt)
{
    startWith();
    showTab(EditorWindow::kScreenTab);
    QAbstractButton* box = button("Check31");
    EXPECT_EQ(box->accessibleName(), QStringLiteral("デスクトップにも通知する"));
    EXPECT_TRUE(box->isChecked());
    click("Check31");

    AlarmRecord alarm;
    alarm.kind = kKindDaily;
    alarm.startTime = OleDate::fromCivil(2026, 12, 1, 9, 1);
    alarm.endTime = alarm.startTime;
    alarm.message = "通知なし";
    m_app->store().addAlarm(alarm);
    m_desktop.clock.advanceMs(61000);
    EXPECT_EQ(m_app->resident().ringer().ringingIndex(), 0);
    EXPECT_TRUE(m_desktop.notifier.sent().empty());
    m_app->resident().ringer().stopAction();

    click("Command8");
    for (const std::string& file : {m_app->settings().mainFile(), m_app->settings().dataSideFile()}) {
        EXPECT_EQ(settingIn(file, "NOTIFYFLG"), "0");
    }
}

class PositionTest : public EditorTest {
public:
    void SetUp() override { Settings(folder()).writeSettingToBoth("FORMFLAG", "2"); }
    void startWithCalendar()
    {
        SharedTables earlier;
        ASSERT_TRUE(DataFile().save(earlier, Settings(folder()).defaultDataPath(), OleDate()));
        m_app = std::make_unique<Application>(folder(), m_desktop.services, m_desktop.dialogs);
        ASSERT_EQ(m_app->start(), ResidentWindow::Start::Running);
        m_app->openCalendar();
        m_screen = calendar().screen()->geometry();
        m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
        showTab(EditorWindow::kScreenTab);
    }
    QWidget& calendar() const { return *m_app->calendar(); }

    QRect m_screen;
};

TEST_F(PositionTest, EachOptionMovesTheCalendarWindowAndSavingKeepsTheChoice)
{
    startWithCalendar();
    EXPECT_TRUE(button("Option9")->isChecked());
    struct Row {
        const char* option;
        QPoint at;
    };
    const int w = calendar().frameGeometry().width();
    const int h = calendar().frameGeometry().height();
    for (const Row& row : {Row{"Option10", {m_screen.width() - w, 0}}, Row{"Option9", {0, 0}},
             Row{"Option8", {(m_screen.width() - w) / 2, (m_screen.height() - h) / 2}},
             Row{"Option10", {m_screen.width() - w, 0}}}) {
        click(row.option);
        EXPECT_EQ(calendar().pos(), row.at) << row.option;
    }
    // The fixture starts in the old screen mode, so that its open action shows the editor.
    EXPECT_TRUE(button("Check30")->isChecked());
    click("Check30");
    click("Command8");
    for (const std::string& file : {m_app->settings().mainFile(), m_app->settings().dataSideFile()}) {
        EXPECT_EQ(settingIn(file, "FORMFLAG"), "3");
        EXPECT_EQ(settingIn(file, "DEFFORM"), "0");
    }
    EXPECT_EQ(m_app->tables().window.editorFirst, 0);
}

// In the old screen mode the editor is the main window and goes where
// "FORMFLAG" puts the calendar (here the top left corner); otherwise it is centred.
TEST_F(PositionTest, TheEditorFollowsTheWindowSettingOnlyInTheOldScreenMode)
{
    for (const bool oldScreenMode : {true, false}) {
        Settings(folder()).writeSettingToBoth("DEFFORM", oldScreenMode ? "1" : "0");
        m_app.reset();
        m_app = std::make_unique<Application>(folder(), m_desktop.services, m_desktop.dialogs);
        ASSERT_EQ(m_app->start(), ResidentWindow::Start::Running);
        EditorWindow& editor = m_app->openEditor();
        const QRect area = editor.screen()->availableGeometry();
        if (oldScreenMode) {
            EXPECT_EQ(editor.pos(), area.topLeft());
        } else {
            EXPECT_LE((editor.frameGeometry().center() - area.center()).manhattanLength(), 4);
        }
        m_app->resident().exitSequence();
    }
}

TEST_F(PositionTest, TheCloseBoxPutsTheCalendarWindowBackWhereTheSettingHadIt)
{
    startWithCalendar();
    click("Option8");
    click("Option10");
    m_app->editor()->close();
    EXPECT_EQ(calendar().pos(), QPoint(0, 0));
    m_desktop.tray.trigger(TrayIcon::Action::LeftDoubleClick);
    EXPECT_TRUE(button("Option9")->isChecked());
    // The exit save keeps the setting the close box went back to.
    m_app->resident().menuAction(QStringLiteral("mend"))->trigger();
    EXPECT_EQ(settingIn(m_app->settings().mainFile(), "FORMFLAG"), "2");
}

class DataPathTest : public EditorTest {
public:
    // A second data file in a folder of its own, with one alarm and a rota.
    std::string otherFile()
    {
        const std::string folder = m_other.path().toStdString() + "/";
        SharedTables tables;
        tables.alarms.add(dailyAt(8, 0, "別のファイル"));
        tables.routines.routineCount = 1;
        tables.routines.routineNames = {"当番", ""};
        tables.routines.routineStart = OleDate::fromCivil(2004, 12, 1);
        EXPECT_TRUE(DataFile().save(tables, folder + "other.dat", OleDate()));
        return folder + "other.dat";
    }
    // An alarm added and a rota name typed, neither confirmed.
    void changeWithoutOk()
    {
        setTimes("1200", "1200");
        click("Option5");
        click("Command5");
        showTab(EditorWindow::kRoutineTab);
        auto* grid = get<QTableView>("FGrid20");
        QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        get<QMenu>("m_routine")->hide();
        get<QAction>("m_routine_new")->trigger();
        type(edit("Text20"), QStringLiteral("未確定"));
        QTest::keyClick(edit("Text20"), Qt::Key_Return);
        showTab(EditorWindow::kScreenTab);
    }
    void enterPath(const std::string& path) const
    {
        QLineEdit* box = edit("Text17");
        box->setFocus();
        box->clear();
        type(box, QString::fromStdString(path));
        QTest::keyClick(box, Qt::Key_Return);
    }

    QTemporaryDir m_other;
};

TEST_F(DataPathTest, EnterSwitchesAfterSavingTheTablesToTheOldFile)
{
    startWith({dailyAt(7, 0, "元のファイル")});
    const std::string old = m_app->settings().dataPath();
    const std::string other = otherFile();
    changeWithoutOk();
    QSignalSpy switched(&m_app->store(), &AlarmStore::memosReplaced);
    QLineEdit* box = edit("Text17");
    box->setFocus();
    box->clear();
    type(box, QString::fromStdString(other));
    EXPECT_EQ(m_app->settings().dataPath(), old);

    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(m_desktop.prompter.messages().isEmpty())
        << m_desktop.prompter.messages().join(u'|').toStdString();
    EXPECT_EQ(switched.count(), 1);
    SharedTables saved;
    ASSERT_TRUE(DataFile().load(saved, old, {}));
    EXPECT_EQ(saved.alarms.alarmCount, 2);
    EXPECT_EQ(saved.routines.routineNames[0], "未確定");
    EXPECT_EQ(m_app->settings().dataPath(), other);
    EXPECT_EQ(settingIn(m_app->settings().mainFile(), "DATAPATH"), other);
    EXPECT_EQ(settingIn(m_other.path().toStdString() + "/Kalvendorix.ini", "DATAPATH"), other);
    ASSERT_EQ(alarms().alarmCount, 1);
    EXPECT_EQ(alarm(0).message, "別のファイル");
    EXPECT_EQ(rows().size(), 1);
    EXPECT_EQ(get<QTableView>("FGrid20")->model()->index(0, 1).data().toString(), QStringLiteral("当番"));
    EXPECT_FALSE(m_app->store().modified());
    EXPECT_EQ(box->text(), QString::fromStdString(other));

    // The same file again changes nothing.
    enterPath(other);
    EXPECT_EQ(switched.count(), 1);
    EXPECT_TRUE(m_desktop.prompter.messages().isEmpty());
}

TEST_F(DataPathTest, TheFileDialogsChoiceSwitchesAndOkWritesTheNewFile)
{
    startWith();
    const std::string other = otherFile();
    showTab(EditorWindow::kScreenTab);
    m_desktop.dialogs.queueFile(QString::fromStdString(m_app->settings().dataPath()));
    click("Command15");
    ASSERT_EQ(m_desktop.dialogs.fileRequests().size(), 1);
    const Dialogs::FileRequest& asked = m_desktop.dialogs.fileRequests().front();
    EXPECT_EQ(asked.title, QStringLiteral("Fileを開く"));
    EXPECT_EQ(asked.filters,
        (QStringList{QStringLiteral("データファイル (*.dat)"), QStringLiteral("すべてのファイル (*)")}));
    EXPECT_EQ(asked.presetName, QStringLiteral("Kalvendorix"));
    EXPECT_EQ(asked.defaultSuffix, QStringLiteral(".dat"));
    EXPECT_TRUE(asked.mayCreate);
    EXPECT_EQ(asked.startFolder.toStdString(), folder());
    EXPECT_EQ(alarms().alarmCount, 0);

    m_desktop.dialogs.queueFile(QString::fromStdString(other));
    click("Command15");
    EXPECT_EQ(m_app->settings().dataPath(), other);
    EXPECT_EQ(alarms().alarmCount, 1);
    setTimes("1300", "1300");
    click("Option5");
    click("Command5");
    click("Command8");
    SharedTables saved;
    ASSERT_TRUE(DataFile().load(saved, other, {}));
    EXPECT_EQ(saved.alarms.alarmCount, 2);
}

TEST_F(DataPathTest, ASwitchThatCannotSaveOrStoreThePathSwitchesNothing)
{
    startWith();
    const std::string other = otherFile();
    changeWithoutOk();
    const std::string gone = m_dir.path().toStdString() + "/gone/Kalvendorix.dat";
    m_app->settings().setDataPath(gone);
    enterPath(other);
    ASSERT_EQ(m_desktop.prompter.messages().size(), 1);
    EXPECT_TRUE(m_desktop.prompter.messages().front().startsWith(
        QStringLiteral("データファイルを保存できませんでした。")));
    EXPECT_EQ(m_app->settings().dataPath(), gone);
    EXPECT_EQ(alarms().alarmCount, 1);
    EXPECT_TRUE(m_app->store().modified());
    EXPECT_NE(settingIn(m_app->settings().mainFile(), "DATAPATH"), other);
    EXPECT_EQ(edit("Text17")->text().toStdString(), gone);

    // A path that code page 932 cannot hold is refused before anything is written.
    m_app->settings().setDataPath(Settings(folder()).defaultDataPath());
    m_desktop.prompter.clear();
    QFile unstorable(m_other.path() + QStringLiteral("/\u00e9t\u00e9.dat"));
    ASSERT_TRUE(unstorable.open(QIODevice::WriteOnly));
    unstorable.close();
    enterPath(unstorable.fileName().toStdString());
    ASSERT_EQ(m_desktop.prompter.messages().size(), 1);
    EXPECT_EQ(m_desktop.prompter.messages().front(),
        QStringLiteral("データファイルパスに、設定ファイルに保存できない文字が含まれています"));
    EXPECT_EQ(m_app->settings().dataPath(), Settings(folder()).defaultDataPath());
    EXPECT_TRUE(m_app->store().modified());
    EXPECT_EQ(alarms().alarmCount, 1);
}

// The calendar folder chosen with "参照..." is kept by "ＯＫ", written with the
// alarms at once, and a phone's rename there comes back into the table.
TEST_F(EditorTest, ACalendarFolderChosenInTheOptionsHoldsTheAlarmsBothWays)
{
    AlarmRecord alarm;
    alarm.kind = kKindDaily;
    alarm.startTime = OleDate::fromCivil(2026, 12, 1, 7, 30);
    alarm.endTime = alarm.startTime;
    alarm.message = "朝の薬";
    startWith({alarm});
    m_app->store().calendarFolder().setStateFolder(folder() + "state");
    showTab(EditorWindow::kScreenTab);
    const QString calendar = QString::fromStdString(folder()) + QStringLiteral("calendar");
    m_desktop.dialogs.queueFile(calendar + QStringLiteral("/"));
    click("CalendarFolderBrowse");
    EXPECT_TRUE(m_desktop.dialogs.fileRequests().back().folder);
    EXPECT_EQ(edit("CalendarFolderText")->text(), calendar);
    click("Command8");
    EXPECT_EQ(settingIn(m_app->settings().dataSideFile(), "ICALDIR"), calendar.toStdString());

    const QStringList items = QDir(calendar).entryList({QStringLiteral("*.ics")});
    ASSERT_EQ(items.size(), 1);
    QFile item(calendar + "/" + items.front());
    ASSERT_TRUE(item.open(QIODevice::ReadOnly));
    QByteArray text = item.readAll();
    item.close();
    ASSERT_TRUE(text.contains("SUMMARY:朝の薬"));
    text.replace("SUMMARY:朝の薬", "SUMMARY:昼の薬");
    ASSERT_TRUE(item.open(QIODevice::WriteOnly | QIODevice::Truncate));
    item.write(text);
    item.close();
    m_app->resident().dataFileWatch().look();
    ASSERT_EQ(m_app->store().alarms().alarmCount, 1);
    EXPECT_EQ(m_app->store().alarms().alarms[0].message, "昼の薬");
    EXPECT_FALSE(m_app->store().modified()) << "saved at once";
}

} // namespace
// The wake option starts what wakes a sleeping computer, which then waits for
// the next bell less a minute; where the computer cannot be woken the box goes
// off again and says why beside it. ＯＫ keeps the choice.
TEST_F(EditorTest, TheWakeBoxArmsTheNextBellOrSaysWhyItCannot)
{
    startWith();
    AlarmRecord alarm;
    alarm.kind = kKindDaily;
    alarm.startTime = OleDate::fromCivil(2026, 12, 1, 23, 0);
    alarm.endTime = alarm.startTime;
    m_app->store().addAlarm(alarm);
    showTab(EditorWindow::kScreenTab);
    QAbstractButton* box = button("Check32");
    auto* why = m_app->openEditor().findChild<QLabel*>(QStringLiteral("Label32"));
    ASSERT_NE(why, nullptr);
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(m_desktop.wake.armed.empty()) << "nothing runs while the option is off";

    m_desktop.wake.refusal = QStringLiteral("この環境ではスリープから起こせません：権限がありません");
    click("Check32");
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(why->isVisible());
    EXPECT_EQ(why->text(), *m_desktop.wake.refusal);
    EXPECT_FALSE(m_desktop.wake.running());

    m_desktop.wake.refusal.reset();
    click("Check32");
    EXPECT_TRUE(box->isChecked());
    EXPECT_FALSE(why->isVisible());
    ASSERT_FALSE(m_desktop.wake.armed.empty());
    const QDateTime bell(m_desktop.clock.now().date(), QTime(23, 0));
    EXPECT_EQ(m_desktop.wake.armed.back(), bell.toSecsSinceEpoch() - 60);
    m_app->resident().togglePause();
    EXPECT_EQ(m_desktop.wake.armed.back(), std::nullopt) << "paused, nothing wakes the computer";
    m_app->resident().togglePause();

    click("Command8");
    for (const std::string& file : {m_app->settings().mainFile(), m_app->settings().dataSideFile()}) {
        EXPECT_EQ(settingIn(file, "WAKEUPFLG"), "1");
    }
    m_app->resident().exitSequence();
    EXPECT_FALSE(m_desktop.wake.running()) << "the helper ends with the program";
}

// A helper that ends by itself is started again, a few times, spaced out;
// then the box goes off with the reason beside it, and the desktop is told.
TEST_F(EditorTest, AWakeHelperThatKeepsEndingIsStartedAgainThenGivenUp)
{
    startWith();
    showTab(EditorWindow::kScreenTab);
    click("Check32");
    ASSERT_TRUE(m_desktop.wake.running());
    m_desktop.wake.die();
    EXPECT_FALSE(m_desktop.wake.running());
    m_desktop.clock.advanceMs(2000);
    EXPECT_TRUE(m_desktop.wake.running()) << "started again";
    EXPECT_EQ(m_desktop.wake.starts, 2);
    for (int again = 0; again < 3; ++again) {
        m_desktop.wake.die();
        m_desktop.clock.advanceMs(300000);
    }
    EXPECT_EQ(m_desktop.wake.starts, 4);
    EXPECT_FALSE(m_desktop.wake.running());
    EXPECT_FALSE(button("Check32")->isChecked());
    EXPECT_TRUE(m_app->openEditor().findChild<QLabel*>(QStringLiteral("Label32"))->isVisible());
    EXPECT_EQ(m_app->store().window().wakeUp, 0);
    ASSERT_FALSE(m_desktop.notifier.sent().empty());
    EXPECT_TRUE(m_desktop.notifier.sent().back().notice.body.contains(QStringLiteral("kalvendorix-wake")));
}

} // namespace kvx
