#include "EditorFixture.h"
#include "core/ProfileFile.h"
#include "schedule/EditorDraft.h"

#include <QApplication>
#include <QClipboard>

namespace kvx {
namespace {

TEST_F(EditorTest, AddingADailyAlarmAndOkWriteTheDataFileAndBothSettingsFiles)
{
    startWith();
    EXPECT_EQ(m_app->editor()->windowTitle(), QStringLiteral("Kalvendorix"));
    setTimes("0930", "0930");
    click("Option5");
    edit("Text6")->setText(QStringLiteral("朝会です"));
    EXPECT_EQ(edit("Text8")->text(), QStringLiteral("朝会です"));
    click("Command5");
    EXPECT_TRUE(m_desktop.prompter.shown().isEmpty()) << m_desktop.prompter.shown().join(u'|').toStdString();
    ASSERT_EQ(alarms().alarmCount, 1);
    EXPECT_EQ(alarm(0).kind, kKindDaily);
    EXPECT_EQ(alarm(0).weekdayMask, 127);
    EXPECT_EQ(alarm(0).startTime, OleDate::fromCivil(2026, 12, 8, 9, 30));
    EXPECT_EQ(alarm(0).message, "朝会です");
    EXPECT_EQ(m_app->editor()->selectedAlarm(), 0);
    EXPECT_TRUE(m_app->store().modified());

    click("Command8");
    EXPECT_FALSE(m_app->editor()->isVisible());
    EXPECT_FALSE(m_app->store().modified());
    SharedTables saved;
    ASSERT_TRUE(DataFile().load(saved, m_app->settings().dataPath(), {}));
    ASSERT_EQ(saved.alarms.alarmCount, 1);
    EXPECT_EQ(saved.alarms.alarms[0].message, "朝会です");
    const ProfileFile main(m_app->settings().mainFile());
    EXPECT_EQ(main.readString(kSettingsSection, "MESSAGE", "<absent>"), "朝会です");
    const ProfileFile side(m_app->settings().dataSideFile());
    EXPECT_EQ(side.readString(kSettingsSection, "MESSAGE", "<absent>"), "朝会です");

    // The alarm tick rings the new alarm at its minute.
    m_desktop.clock.advanceMs(QTime(9, 0, 0).msecsTo(QTime(9, 30, 1)));
    EXPECT_TRUE(m_app->resident().alarmSounding());
}

TEST_F(EditorTest, AClickOrTabIntoAFilledDigitBoxLetsTheNextKeyReplaceIt)
{
    startWith();
    setTimes("0930", "0930");
    // Mouse: the focus moves in, then the click on the text.
    QTest::mouseClick(edit("Text3"), Qt::LeftButton);
    ASSERT_TRUE(edit("Text3")->hasFocus());
    type(edit("Text3"), QStringLiteral("4"));
    EXPECT_EQ(edit("Text3")->text(), QStringLiteral("4"));
    QTest::mouseClick(edit("Text1"), Qt::LeftButton);
    type(edit("Text1"), QStringLiteral("1"));
    EXPECT_EQ(edit("Text1")->text(), QStringLiteral("1"));
    QTest::keyClick(edit("Text2"), Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_TRUE(edit("Text1")->hasFocus());
    type(edit("Text1"), QStringLiteral("2"));
    EXPECT_EQ(edit("Text1")->text(), QStringLiteral("2"));
}

struct CheckRow {
    const char* name;
    void (*spoil)(const EditorTest&);
    const char* message; // "" for the silent digit failure
    const char* focus;
};

class AddChecks : public EditorTest, public ::testing::WithParamInterface<CheckRow> { };

TEST_P(AddChecks, RefuseWithTheirMessageAndFocusAndLeaveTheTable)
{
    const CheckRow& row = GetParam();
    startWith({dailyAt(7, 0, "既存")});
    setTimes("1000", "1000");
    click("Option5");
    row.spoil(*this);
    const AlarmTable before = alarms();
    click("Command5");
    EXPECT_EQ(alarms(), before);
    if (*row.message == '\0') {
        EXPECT_TRUE(m_desktop.prompter.messages().isEmpty());
    } else {
        ASSERT_EQ(m_desktop.prompter.messages().size(), 1);
        EXPECT_EQ(m_desktop.prompter.messages().front(), QString::fromUtf8(row.message));
        if (*row.focus == '\0') {
            return;
        }
        ASSERT_NE(m_app->editor()->focusWidget(), nullptr);
        EXPECT_EQ(m_app->editor()->focusWidget()->objectName(), QLatin1String(row.focus));
    }
}

INSTANTIATE_TEST_SUITE_P(Editor, AddChecks,
    ::testing::Values(
        CheckRow{"HourOf24IsSilent", [](const EditorTest& t) { t.setTimes("2400", "1000"); }, "", ""},
        CheckRow{"EmptyMinuteIsSilent", [](const EditorTest& t) { t.edit("Text14")->clear(); }, "", ""},
        CheckRow{"DayOfMonth32",
            [](const EditorTest& t) {
                t.click("Option3");
                t.edit("Text5")->setText(QStringLiteral("32"));
            },
            kDayOfMonthMessage, "Text5"},
        CheckRow{"PreMinutesOver16Bits",
            [](const EditorTest& t) {
                t.showTab(1);
                t.click("Check20");
                t.edit("Text9")->setText(QStringLiteral("40000"));
            },
            kPreMinutesMessage, "Text9"},
        CheckRow{"BlinkCountEmpty",
            [](const EditorTest& t) {
                t.showTab(1);
                t.click("Check22");
                t.edit("Text10")->clear();
            },
            kBlinkCountMessage, "Text10"},
        CheckRow{"MonthlyWithoutDay",
            [](const EditorTest& t) {
                t.click("Option3");
                t.edit("Text5")->clear();
            },
            kDayOfMonthMessage, "Text5"},
        CheckRow{"WeeklyWithoutWeekday",
            [](const EditorTest& t) {
                t.click("Option4");
                for (int box = 0; box < 7; ++box) {
                    const QByteArray name = "Check2_" + QByteArray::number(box);
                    t.get<QCheckBox>(name.constData())->setChecked(false);
                }
            },
            kWeekdayMessage, "Check2_0"},
        CheckRow{"SoundWithoutFile",
            [](const EditorTest& t) {
                t.click("Check3");
                t.edit("Text7")->clear();
            },
            kSoundFileMessage, "Text7"},
        // A paste of 70,000 characters is cut to the box's 65,535; as kana
        // they are twice as many bytes as the data file holds.
        CheckRow{"MessageLongerThanTheDataFileHolds",
            [](const EditorTest& t) {
                t.edit("Text6")->setFocus();
                QApplication::clipboard()->setText(QString(70000, u'あ'));
                t.edit("Text6")->paste();
            },
            kLongMessageMessage, "Text6"},
        CheckRow{"QuickTimerButton", [](const EditorTest& t) { t.click("Option7"); },
            "クイックタイマーは追加ボタンで追加できません\nクイックタイマーリストから登録してください", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorTest, ThePastTimeQuestionCancelsOrLetsTheAddThrough)
{
    startWith();
    get<QCheckBox>("Check26")->setChecked(true);
    setTimes("0800", "0800");
    click("Option6");
    m_desktop.prompter.queueAnswer(false);
    click("Command5");
    EXPECT_EQ(m_desktop.prompter.questions(), QStringList{QString::fromUtf8(kPastTimeQuestion)});
    EXPECT_EQ(alarms().alarmCount, 0);
    m_desktop.prompter.queueAnswer(true);
    click("Command5");
    EXPECT_EQ(alarms().alarmCount, 1);
}

TEST_F(EditorTest, AFullTableRefusesAnAddAndChangesNothing)
{
    std::vector<AlarmRecord> many(AlarmTable::kMaxAlarms, dailyAt(6, 0, "満"));
    startWith(many);
    ASSERT_EQ(alarms().alarmCount, AlarmTable::kMaxAlarms);
    setTimes("1000", "1000");
    click("Command5");
    EXPECT_EQ(m_desktop.prompter.messages(), QStringList{QString::fromUtf8(kTableFullMessage)});
    EXPECT_EQ(alarms().alarmCount, AlarmTable::kMaxAlarms);
    EXPECT_FALSE(m_app->store().modified());
}

TEST_F(EditorTest, TheDailyViewAddsOnTheChosenDayAndSelectsTheNewRow)
{
    startWith({dailyAt(7, 0, "毎日")});
    click("Option2");
    chooseDate(QDate(2026, 12, 15));
    setTimes("1100", "1100");
    click("Option6");
    click("Command5");
    ASSERT_EQ(alarms().alarmCount, 2);
    EXPECT_EQ(alarm(1).startTime, OleDate::fromCivil(2026, 12, 15, 11, 0));
    EXPECT_EQ(alarm(1).weekdayMask, kTuesday);
    ASSERT_EQ(model()->rowCount(), 2);
    const int row = model()->rowOf(1);
    ASSERT_GE(row, 0);
    EXPECT_EQ(m_app->editor()->selectedAlarm(), 1);
    EXPECT_EQ(m_app->editor()->list()->currentIndex().row(), row);
}

TEST_F(EditorTest, AQuickTimerAcrossMidnightTakesTheNextDaysBit)
{
    m_desktop.clock.setNow(QDateTime(QDate(2026, 12, 8), QTime(23, 30, 0)));
    startWith();
    auto* quick = get<QComboBox>("Combo2");
    ASSERT_EQ(quick->count(), 11);
    EXPECT_EQ(quick->itemText(10), QStringLiteral("120分"));
    quick->setCurrentIndex(10);
    emit quick->activated(10);
    ASSERT_EQ(alarms().alarmCount, 1);
    EXPECT_EQ(alarm(0).kind, kKindQuick);
    EXPECT_EQ(alarm(0).startTime, OleDate::fromCivil(2026, 12, 9, 1, 30));
    EXPECT_EQ(alarm(0).weekdayMask, kWednesday);
    EXPECT_EQ(alarm(0).message, "クイックタイマー");
    EXPECT_EQ(model()->rowCount(), 1);
    EXPECT_TRUE(m_app->store().modified());
}

} // namespace
} // namespace kvx
