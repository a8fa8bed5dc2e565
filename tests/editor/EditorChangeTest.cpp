#include "EditorFixture.h"
#include "schedule/EditorDraft.h"

#include <QFile>
#include <QTextEdit>

namespace kvx {
namespace {

TEST_F(EditorTest, AChangeAfterPickingAnotherDateMovesTheAlarmThere)
{
    AlarmRecord once = dailyAt(10, 0, "一回");
    once.kind = kKindOnce;
    once.weekdayMask = kTuesday;
    once.startTime = OleDate::fromCivil(2026, 12, 8, 10, 0);
    once.endTime = once.startTime;
    startWith({once});
    clickRow(0);
    ASSERT_EQ(m_app->editor()->selectedAlarm(), 0);
    chooseDate(QDate(2026, 12, 20));
    click("Command6");
    EXPECT_TRUE(m_desktop.prompter.shown().isEmpty());
    EXPECT_EQ(alarm(0).startTime, OleDate::fromCivil(2026, 12, 20, 10, 0));
    EXPECT_TRUE(m_app->store().modified());
}

TEST_F(EditorTest, AChangeOfAMonthlyAlarmTakesTheDayBoxAndForwardsPastAShortMonth)
{
    AlarmRecord monthly = dailyAt(8, 0, "月末");
    monthly.kind = kKindMonthly;
    monthly.startTime = OleDate::fromCivil(2026, 12, 31, 8, 0);
    monthly.endTime = monthly.startTime;
    startWith({monthly});
    chooseDate(QDate(2027, 2, 10));
    clickRow(0);
    EXPECT_EQ(edit("Text5")->text(), QStringLiteral("31"));
    click("Command6");
    EXPECT_TRUE(m_desktop.prompter.shown().isEmpty());
    EXPECT_EQ(alarm(0).startTime, OleDate::fromCivil(2027, 3, 31, 8, 0));
}

TEST_F(EditorTest, AChangeRunsTheAddChecksAndRefusesHour29)
{
    startWith({dailyAt(7, 0, "朝")});
    clickRow(0);
    const AlarmTable before = alarms();
    edit("Text1")->setText(QStringLiteral("2"));
    edit("Text2")->setText(QStringLiteral("9"));
    click("Command6");
    EXPECT_EQ(alarms(), before);
    click("Option3");
    edit("Text5")->clear();
    edit("Text1")->setText(QStringLiteral("0"));
    click("Command6");
    EXPECT_EQ(m_desktop.prompter.messages(), QStringList{QString::fromUtf8(kDayOfMonthMessage)});
    EXPECT_EQ(alarms(), before);
}

TEST_F(EditorTest, AChangeRefusesNoRowSeveralRowsAndQuickTimers)
{
    startWith({dailyAt(7, 0, "朝"), dailyAt(8, 0, "昼")});
    click("Command6");
    selectRows({0, 1});
    click("Command6");
    EXPECT_EQ(m_desktop.prompter.messages(),
        (QStringList{QString::fromUtf8(kSelectOneMessage), QString::fromUtf8(kSelectOneMessage)}));
    selectRows({0});
    click("Option7");
    click("Command6");
    EXPECT_EQ(m_desktop.prompter.messages().back(), QString::fromUtf8(kQuickChangeMessage));
}

TEST_F(EditorTest, AChangeThatLeavesTheChosenDaySwitchesToTheListView)
{
    AlarmRecord once = dailyAt(10, 0, "一回");
    once.kind = kKindOnce;
    once.weekdayMask = kTuesday;
    once.startTime = OleDate::fromCivil(2026, 12, 8, 10, 0);
    startWith({once, dailyAt(7, 0, "毎日")});
    click("Option2");
    ASSERT_EQ(model()->rowCount(), 2);
    clickRow(model()->rowOf(0));
    // Monthly on the 20th: a change takes the day from the day box, and the
    // alarm leaves the 8th that the daily view shows.
    click("Option3");
    edit("Text5")->setText(QStringLiteral("20"));
    click("Command6");
    EXPECT_EQ(alarm(0).startTime, OleDate::fromCivil(2026, 12, 20, 10, 0));
    EXPECT_TRUE(get<QRadioButton>("Option1")->isChecked());
    EXPECT_EQ(model()->rowCount(), 2);
}

TEST_F(EditorTest, DeletingThreeRowsKeepsTheOthersInOrderAndResetsTheFields)
{
    startWith({dailyAt(6, 0, "A"), dailyAt(7, 0, "B"), dailyAt(8, 0, "C"), dailyAt(9, 0, "D"),
        dailyAt(10, 0, "E")});
    clickRow(1);
    selectRows({1, 2, 4});
    click("Command7");
    ASSERT_EQ(alarms().alarmCount, 2);
    EXPECT_EQ(alarm(0).message, "A");
    EXPECT_EQ(alarm(1).message, "D");
    EXPECT_EQ(model()->rowCount(), 2);
    EXPECT_TRUE(m_app->editor()->list()->selectionModel()->selectedRows().isEmpty());
    EXPECT_TRUE(get<QRadioButton>("Option6")->isChecked());
    EXPECT_EQ(edit("Text1")->text() + edit("Text2")->text(), QStringLiteral("09"));
    EXPECT_TRUE(m_app->store().modified());
}

TEST_F(EditorTest, ResetReturnsTheFieldsToTodayAndTheDefaults)
{
    startWith({dailyAt(18, 45, "夕方")});
    clickRow(0);
    EXPECT_EQ(edit("Text6")->text(), QStringLiteral("夕方"));
    click("Command1");
    EXPECT_EQ(m_app->editor()->selectedAlarm(), -1);
    EXPECT_EQ(edit("Text1")->text() + edit("Text2")->text() + edit("Text3")->text() + edit("Text4")->text(),
        QStringLiteral("0900"));
    EXPECT_EQ(get<QCalendarWidget>("MonthView1")->selectedDate(), QDate(2026, 12, 8));
    EXPECT_EQ(edit("Text5")->text(), QStringLiteral("8"));
    EXPECT_TRUE(get<QRadioButton>("Option6")->isChecked());
    EXPECT_EQ(edit("Text6")->text(), QString());
    EXPECT_TRUE(get<QCheckBox>("Check2_2")->isChecked()); // Tuesday, from Sunday
}

TEST_F(EditorTest, TheWeekStartRotatesTheBoxesButNeverTheStoredBits)
{
    AlarmRecord weekly = dailyAt(7, 0, "週");
    weekly.kind = kKindWeekly;
    weekly.weekdayMask = kSunday | kMonday;
    startWith({weekly});
    clickRow(0);
    EXPECT_EQ(get<QCheckBox>("Check2_0")->text(), QStringLiteral("日"));
    EXPECT_TRUE(get<QCheckBox>("Check2_0")->isChecked());
    EXPECT_TRUE(get<QCheckBox>("Check2_1")->isChecked());
    click("Check1");
    EXPECT_EQ(get<QCheckBox>("Check2_0")->text(), QStringLiteral("月"));
    EXPECT_EQ(get<QCheckBox>("Check2_6")->text(), QStringLiteral("日"));
    EXPECT_TRUE(get<QCheckBox>("Check2_0")->isChecked());
    EXPECT_TRUE(get<QCheckBox>("Check2_6")->isChecked());
    EXPECT_FALSE(get<QCheckBox>("Check2_1")->isChecked());
    EXPECT_EQ(get<QCalendarWidget>("MonthView1")->firstDayOfWeek(), Qt::Monday);
    selectRows({0});
    click("Command6");
    EXPECT_EQ(alarm(0).weekdayMask, kSunday | kMonday);
}

struct KeyRow {
    const char* name;
    const char* focusBox;
    int button; // Command2_<button> types (button + 1) mod 10
    const char* hours; // Text1 Text2 after the press
    const char* focusAfter;
};

class KeypadRows : public EditorTest, public ::testing::WithParamInterface<KeyRow> { };

TEST_P(KeypadRows, TypeIntoTheLastFocusedBox)
{
    const KeyRow& row = GetParam();
    startWith();
    setTimes("1000", "1000");
    edit(row.focusBox)->setFocus();
    click(("Command2_" + std::to_string(row.button)).c_str());
    EXPECT_EQ(edit("Text1")->text() + edit("Text2")->text(), QString::fromUtf8(row.hours));
    EXPECT_EQ(m_app->editor()->focusWidget()->objectName(), QLatin1String(row.focusAfter));
}

INSTANTIATE_TEST_SUITE_P(Editor, KeypadRows,
    ::testing::Values(KeyRow{"SevenIntoHourTensGivesZeroSeven", "Text1", 6, "07", "Text3"},
        KeyRow{"TwoIntoHourTens", "Text1", 1, "20", "Text2"},
        KeyRow{"NineIntoHourUnitsAfterOne", "Text2", 8, "19", "Text3"},
        KeyRow{"ZeroButtonTypesZero", "Text2", 9, "10", "Text3"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorTest, HourUnitsAfterTwoRefuseFourFromTheKeypadAndWhenTyped)
{
    startWith();
    setTimes("2000", "1000");
    edit("Text2")->setFocus();
    click("Command2_3"); // "4"
    EXPECT_EQ(edit("Text2")->text(), QStringLiteral("0"));
    EXPECT_EQ(m_app->editor()->focusWidget()->objectName(), QStringLiteral("Text2"));
    edit("Text2")->clear();
    type(edit("Text2"), QStringLiteral("５"));
    EXPECT_EQ(edit("Text2")->text(), QStringLiteral("5"));
    EXPECT_EQ(m_app->editor()->focusWidget()->objectName(), QStringLiteral("Text2"));
}

TEST_F(EditorTest, DigitBoxesTakeFullWidthDigitsAndDropWhatIsTooLarge)
{
    startWith();
    edit("Text1")->clear();
    edit("Text1")->setFocus();
    type(edit("Text1"), QStringLiteral("７"));
    EXPECT_EQ(edit("Text1")->text(), QString());
    type(edit("Text1"), QStringLiteral("１"));
    EXPECT_EQ(edit("Text1")->text(), QStringLiteral("1"));
    EXPECT_EQ(m_app->editor()->focusWidget()->objectName(), QStringLiteral("Text2"));
    edit("Text2")->clear();
    type(edit("Text2"), QStringLiteral("８"));
    EXPECT_EQ(edit("Text2")->text(), QStringLiteral("8"));
    EXPECT_EQ(get<QSpinBox>("UpDown1")->value(), 18);
    get<QSpinBox>("UpDown2")->setValue(7);
    EXPECT_EQ(edit("Text3")->text() + edit("Text4")->text(), QStringLiteral("07"));
    click("Option3");
    edit("Text5")->clear();
    type(edit("Text5"), QStringLiteral("1a"));
    EXPECT_EQ(edit("Text5")->text(), QStringLiteral("1"));
    type(edit("Text5"), QStringLiteral("9"));
    EXPECT_TRUE(m_desktop.prompter.messages().isEmpty());
    type(edit("Text5"), QStringLiteral("9"));
    EXPECT_EQ(m_desktop.prompter.messages(), QStringList{QString::fromUtf8(kDayOfMonthMessage)});
}

TEST_F(EditorTest, OneSwatchStaysTickedAndTheCustomBoxAsksForAColour)
{
    startWith();
    showTab(1);
    auto* black = get<QCheckBox>("Check11");
    ASSERT_TRUE(black->isChecked());
    click("Check11");
    EXPECT_TRUE(black->isChecked());
    click("Check8");
    EXPECT_FALSE(black->isChecked());
    EXPECT_EQ(get<QTextEdit>("Rich2")->palette().color(QPalette::Text), QColor(255, 0, 0));
    m_desktop.dialogs.queueColor(QColor(0x12, 0x34, 0x56));
    click("Check4");
    ASSERT_EQ(m_desktop.dialogs.colorPresets().size(), 1U);
    EXPECT_EQ(m_desktop.dialogs.colorPresets().front(), QColor(255, 0, 0));
    EXPECT_FALSE(get<QCheckBox>("Check8")->isChecked());
    EXPECT_EQ(get<QTextEdit>("Rich2")->palette().color(QPalette::Text), QColor(0x12, 0x34, 0x56));
    click("Check4"); // unticking the only ticked box ticks it again, no dialog
    EXPECT_TRUE(get<QCheckBox>("Check4")->isChecked());
    EXPECT_EQ(m_desktop.dialogs.colorPresets().size(), 1U);
    click("Check16"); // background red
    const EditorDraft fields = m_app->editor()->draft();
    EXPECT_EQ(fields.textColor, 0x563412);
    EXPECT_EQ(fields.textColorIndex, 0);
    EXPECT_EQ(fields.backColor, 0x0000FF);
    EXPECT_EQ(fields.backColorIndex, 4);
}

TEST_F(EditorTest, TheFontDialogSetsTheMessageFontAndCancelChangesNothing)
{
    startWith();
    showTab(1);
    QFont chosen(QStringLiteral("IPAGothic"));
    chosen.setPointSizeF(17.6);
    chosen.setItalic(true);
    chosen.setUnderline(true);
    m_desktop.dialogs.queueFont(chosen);
    click("Command9");
    ASSERT_EQ(m_desktop.dialogs.fontPresets().size(), 1U);
    EditorDraft fields = m_app->editor()->draft();
    EXPECT_EQ(fields.fontSize, 18);
    EXPECT_TRUE(fields.fontItalic);
    EXPECT_TRUE(fields.fontUnderline);
    click("Command9"); // cancelled
    EXPECT_EQ(m_app->editor()->draft().fontSize, 18);
    EXPECT_TRUE(m_desktop.dialogs.fontPresets().back().italic());
}

TEST_F(EditorTest, TheSoundFileDialogOpensWithItsTitleAndFiltersAndFillsBothBoxes)
{
    startWith();
    click("Check3");
    EXPECT_TRUE(get<QCheckBox>("Check24")->isChecked());
    m_desktop.dialogs.queueFile(QStringLiteral("/sounds/bell.wav"));
    click("Command4");
    ASSERT_EQ(m_desktop.dialogs.fileRequests().size(), 1U);
    EXPECT_EQ(m_desktop.dialogs.fileRequests().front().title, QStringLiteral("Fileを開く"));
    EXPECT_EQ(m_desktop.dialogs.fileRequests().front().filters.front(),
        QStringLiteral("サウンドファイル (*.wav *.mp3 *.wma *.mid)"));
    EXPECT_EQ(m_desktop.dialogs.fileRequests().front().startFolder, QString::fromStdString(folder()));
    EXPECT_EQ(edit("Text7")->text(), QStringLiteral("/sounds/bell.wav"));
    EXPECT_EQ(edit("Text11")->text(), QStringLiteral("/sounds/bell.wav"));
}

TEST_F(EditorTest, TheDiscardQuestionKeepsOnCancelAndReloadsOnOk)
{
    startWith({dailyAt(7, 0, "朝")});
    setTimes("1200", "1200");
    click("Command5");
    ASSERT_EQ(alarms().alarmCount, 2);
    m_desktop.prompter.queueAnswer(false);
    m_app->editor()->close();
    EXPECT_EQ(m_desktop.prompter.questions(), QStringList{QString::fromUtf8(kDiscardQuestion)});
    EXPECT_TRUE(m_app->editor()->isVisible());
    EXPECT_EQ(alarms().alarmCount, 2);
    m_desktop.prompter.queueAnswer(true);
    m_app->editor()->close();
    EXPECT_FALSE(m_app->editor()->isVisible());
    EXPECT_EQ(alarms().alarmCount, 1);
    EXPECT_FALSE(m_app->store().modified());
}

TEST_F(EditorTest, AFailedOkKeepsTheEditorTheTablesAndTheChangedFlag)
{
    startWith();
    setTimes("1200", "1200");
    click("Command5");
    const std::string gone = m_dir.path().toStdString() + "/gone/Kalvendorix.dat";
    m_app->settings().setDataPath(gone);
    const AlarmTable before = alarms();
    click("Command8");
    EXPECT_TRUE(m_app->editor()->isVisible());
    EXPECT_EQ(alarms(), before);
    EXPECT_TRUE(m_app->store().modified());
    ASSERT_EQ(m_desktop.prompter.messages().size(), 1);
    const QStringList lines = m_desktop.prompter.messages().front().split(u'\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("データファイルを保存できませんでした。"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("Kalvendorix.dat"))) << lines[1].toStdString();
    EXPECT_FALSE(lines[2].isEmpty());
}

// The menu's exit asks first; a rescue file stays only when the program ends
// (after キャンセル the tables are still here), and the question names it.
TEST_F(EditorTest, AFailedExitSaveWritesARescueFileAndTheMenuExitAsksFirst)
{
    startWith();
    setTimes("1200", "1200");
    click("Command5");
    const QString state = m_dir.path() + QStringLiteral("/state");
    qputenv("XDG_STATE_HOME", state.toUtf8());
    m_app->settings().setDataPath(m_dir.path().toStdString() + "/gone/Kalvendorix.dat");
    int finished = 0;
    QObject::connect(m_app.get(), &Application::finished, [&finished] { ++finished; });
    const QDir rescueFolder(state + QStringLiteral("/Kalvendorix"));
    const QStringList pattern{QStringLiteral("Kalvendorix.dat.rescue-20261208-0900*")};
    m_desktop.prompter.queueAnswer(false);
    m_app->resident().menuAction(QStringLiteral("mend"))->trigger();
    EXPECT_EQ(finished, 0);
    ASSERT_EQ(m_desktop.prompter.questions().size(), 1);
    const QString question = m_desktop.prompter.questions().front();
    EXPECT_TRUE(question.startsWith(QStringLiteral("データファイルを保存できませんでした。")));
    EXPECT_TRUE(question.contains(QStringLiteral("退避ファイル：") + rescueFolder.path()))
        << question.toStdString();
    EXPECT_TRUE(question.endsWith(QStringLiteral("終了してもよろしいですか？")));
    EXPECT_EQ(alarms().alarmCount, 1);
    EXPECT_EQ(rescueFolder.entryList(pattern), QStringList{}) << "staying leaves no rescue file";

    m_desktop.prompter.queueAnswer(true);
    m_app->resident().menuAction(QStringLiteral("mend"))->trigger();
    EXPECT_EQ(finished, 1);
    const QStringList rescued = rescueFolder.entryList(pattern);
    ASSERT_EQ(rescued.size(), 1);
    SharedTables saved;
    ASSERT_TRUE(DataFile().load(saved, rescueFolder.filePath(rescued.front()).toStdString(), {}));
    EXPECT_EQ(saved.alarms.alarmCount, 1);
    qunsetenv("XDG_STATE_HOME");
}

// At the end of the session nobody answers: the cause and the rescue file go
// to the standard error. A save that only failed for the settings leaves none.
TEST_F(EditorTest, TheSessionsEndNamesTheRescueFileOnTheStandardError)
{
    struct Row {
        const char* name;
        bool dataFileFails;
    };
    const QString state = m_dir.path() + QStringLiteral("/state");
    const QDir rescueFolder(state + QStringLiteral("/Kalvendorix"));
    for (const Row row : {Row{"the data file fails", true}, Row{"only the settings fail", false}}) {
        // Each row starts on the settings the fixture wrote, not on what the last exit left.
        const Settings settings(folder());
        QDir(QString::fromStdString(settings.mainFile())).removeRecursively();
        QFile::remove(QString::fromStdString(settings.mainFile()));
        for (const auto& [key, value] : {std::pair{"MIDINM", "Kalvendorix MIDI"},
                 std::pair{"WAVENM", "内蔵オーディオ"}, std::pair{"DEFFORM", "1"}}) {
            settings.writeSettingToBoth(key, value);
        }
        startWith({dailyAt(7, 0, "朝")});
        qputenv("XDG_STATE_HOME", state.toUtf8());
        const qsizetype rescuedBefore = rescueFolder.entryList(QDir::Files).size();
        if (row.dataFileFails) {
            m_app->settings().setDataPath(m_dir.path().toStdString() + "/gone/Kalvendorix.dat");
        } else {
            QFile::remove(QString::fromStdString(m_app->settings().mainFile()));
            ASSERT_TRUE(QDir().mkpath(QString::fromStdString(m_app->settings().mainFile())));
        }
        testing::internal::CaptureStderr();
        m_app->resident().endSession();
        const std::string told = testing::internal::GetCapturedStderr();
        qunsetenv("XDG_STATE_HOME");
        EXPECT_TRUE(m_app->resident().exited()) << row.name;
        EXPECT_EQ(rescueFolder.entryList(QDir::Files).size() - rescuedBefore, row.dataFileFails ? 1 : 0)
            << row.name;
        EXPECT_EQ(told.find("退避ファイル：") != std::string::npos, row.dataFileFails) << row.name << told;
        EXPECT_NE(told.find(row.dataFileFails ? "データファイルを保存できませんでした"
                                              : "設定ファイルを保存できませんでした"),
            std::string::npos)
            << row.name << told;
        m_app.reset();
    }
}

TEST_F(EditorTest, ArrowKeysInTheListLoadTheAlarmTheChangeThenWrites)
{
    startWith({dailyAt(7, 0, "一番目"), dailyAt(8, 0, "二番目")});
    const AlarmRecord first = alarm(0);
    QListView* list = m_app->editor()->list();
    clickRow(0);
    ASSERT_EQ(edit("Text6")->text(), QStringLiteral("一番目"));
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(m_app->editor()->selectedAlarm(), 1);
    EXPECT_EQ(edit("Text6")->text(), QStringLiteral("二番目"));
    EXPECT_EQ(edit("Text1")->text() + edit("Text2")->text(), QStringLiteral("08"));
    // A second row taken into the selection leaves the fields alone.
    QTest::keyClick(list, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(edit("Text6")->text(), QStringLiteral("二番目"));
    clickRow(1);
    edit("Text6")->selectAll();
    type(edit("Text6"), QStringLiteral("新しい"));
    m_desktop.prompter.queueAnswer(true); // 08:00 has passed today
    click("Command6");
    EXPECT_EQ(m_desktop.prompter.messages(), QStringList{});
    EXPECT_EQ(alarm(0), first);
    EXPECT_EQ(alarm(1).message, "新しい");
    EXPECT_EQ(alarm(1).startTime.formatTime(), "08:00");
}

} // namespace
} // namespace kvx
