#include "EditorFixture.h"
#include "schedule/Timetable.h"
#include "ui/TimetableView.h"

#include <QScrollBar>
#include <QSignalSpy>

namespace kvx {
namespace {

class EditorTimetableTest : public EditorTest {
public:
    TimetableView* timetable() const { return get<TimetableView>("Timetable"); }
    QScrollBar* hourScroll() const { return get<QScrollBar>("HScroll3"); }
    const TimetableLayout& shown() const { return timetable()->shownLayout(); }
    // The alarm whose bar wears the frame, or -1.
    int framedAlarm() const
    {
        const int bar = timetable()->framedBar();
        return bar < 0 ? -1 : shown().bars[static_cast<std::size_t>(bar)].alarmIndex;
    }
    // Moves the current row without selecting it, so without loading its alarm.
    void pressDown() const { QTest::keyClick(m_app->editor()->list(), Qt::Key_Down, Qt::ControlModifier); }
};

TEST_F(EditorTimetableTest, LoadingAnAlarmShowsItsDateAndScrollsTheHoursToIt)
{
    startWith({dailyAt(14, 0, "昼"), dailyAt(23, 10, "夜"), dailyAt(2, 0, "深夜")});
    // In the list view a date click loads nothing; the next load takes it.
    chooseDate(QDate(2026, 12, 20));
    EXPECT_EQ(hourScroll()->minimum(), 14);
    EXPECT_EQ(hourScroll()->maximum(), 24);
    EXPECT_EQ(hourScroll()->value(), 14);
    struct Row {
        const char* name;
        int row, alarm, scroll, firstHour, lastHour;
    };
    const Row rows[] = {
        {"23:10 shows 11:00 to 1:00", 2, 1, 16, 11, 1},
        {"2:00 shows 13:00 to 3:00", 0, 2, 18, 13, 3},
        {"14:00 puts the hours back to 9..23", 1, 0, 14, 9, 23},
    };
    for (const Row& row : rows) {
        clickRow(row.row);
        EXPECT_EQ(hourScroll()->value(), row.scroll) << row.name;
        EXPECT_EQ(shown().hours.front(), row.firstHour) << row.name;
        EXPECT_EQ(shown().hours.back(), row.lastHour) << row.name;
        EXPECT_EQ(framedAlarm(), row.alarm) << row.name;
    }
    EXPECT_EQ(m_app->view().calendar.selectedDate, OleDate::fromCivil(2026, 12, 20));

    // Loading the alarm again leaves the scroll value alone.
    QSignalSpy scrolled(hourScroll(), &QScrollBar::valueChanged);
    clickRow(2);
    clickRow(2);
    EXPECT_EQ(scrolled.count(), 1);
}

TEST_F(EditorTimetableTest, TheFramedBarFollowsTheViewSwitch)
{
    startWith({dailyAt(10, 0, "朝会"), dailyAt(12, 0, "昼")});
    clickRow(0);
    ASSERT_EQ(shown().bars.size(), 2U);
    EXPECT_EQ(framedAlarm(), 0);
    // The list view frames the current row, not the loaded alarm.
    pressDown();
    ASSERT_EQ(m_app->editor()->selectedAlarm(), 0);
    hourScroll()->setValue(15);
    EXPECT_EQ(framedAlarm(), 1);
    EXPECT_TRUE(m_app->editor()->list()->hasFocus());

    // The daily view frames the loaded alarm wherever the current row is.
    click("Option2");
    EXPECT_EQ(framedAlarm(), 0);
    pressDown();
    hourScroll()->setValue(14);
    EXPECT_EQ(framedAlarm(), 0);
    click("Option1");
    pressDown();
    hourScroll()->setValue(15);
    EXPECT_EQ(framedAlarm(), 1);
}

TEST_F(EditorTimetableTest, AddAndDeleteRebuildTheBars)
{
    startWith({dailyAt(10, 0, "朝会")});
    ASSERT_EQ(shown().bars.size(), 1U);
    EXPECT_EQ(timetable()->framedBar(), -1);
    setTimes("1500", "1630");
    click("Option5");
    click("Command5");
    ASSERT_TRUE(m_desktop.prompter.shown().isEmpty()) << m_desktop.prompter.shown().join(u'|').toStdString();
    ASSERT_EQ(shown().bars.size(), 2U);
    const TimetableBar& added = shown().bars[1];
    EXPECT_EQ(added.alarmIndex, 1);
    EXPECT_EQ(added.left, 340 + 6 * 726);
    EXPECT_EQ(added.width, 726 + 30 * 12);
    EXPECT_EQ(framedAlarm(), 1);

    selectRows({0});
    click("Command7");
    ASSERT_EQ(shown().bars.size(), 1U);
    EXPECT_EQ(shown().bars[0].left, 340 + 6 * 726);
    EXPECT_EQ(timetable()->framedBar(), -1);
}

} // namespace
} // namespace kvx
