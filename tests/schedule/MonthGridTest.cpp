#include "schedule/MonthGrid.h"

#include "tests/schedule/ScheduleTestSupport.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using namespace std::chrono;
using Part = MonthLayout::Part;
using test::at;

sys_days civil(int y, int m, int d)
{
    return sys_days{year_month_day{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}}};
}

TEST(MonthLayoutTest, CellsShowTheirDaysAndTheNeighbouringMonthsGreyed)
{
    struct Row {
        const char* name;
        sys_days day;
        int year, month;
        int firstCell;
        int cell;
        Part part;
        bool monday;
    };
    const Row rows[] = {
        {"2026-02 Sunday start, first cell", civil(2026, 2, 1), 2026, 2, 0, 0, Part::Shown, false},
        {"2026-02 Sunday start, last day", civil(2026, 2, 28), 2026, 2, 0, 27, Part::Shown, false},
        {"2026-02 Sunday start, 1 March", civil(2026, 3, 1), 2026, 2, 0, 28, Part::Next, false},
        {"2026-02 Sunday start, 14 March", civil(2026, 3, 14), 2026, 2, 0, 41, Part::Next, false},
        {"2026-02 Monday start, 26 January", civil(2026, 1, 26), 2026, 2, 6, 0, Part::Previous, true},
        {"2026-02 Monday start, 1 February", civil(2026, 2, 1), 2026, 2, 6, 6, Part::Shown, true},
        {"2026-01 leading December", civil(2025, 12, 28), 2026, 1, 4, 0, Part::Previous, false},
        {"2026-01 1 January", civil(2026, 1, 1), 2026, 1, 4, 4, Part::Shown, false},
        {"2025-12 trailing January", civil(2026, 1, 1), 2025, 12, 1, 32, Part::Next, false},
        {"2025-12 30 November", civil(2025, 11, 30), 2025, 12, 1, 0, Part::Previous, false},
        {"2024-02 leap day", civil(2024, 2, 29), 2024, 2, 4, 32, Part::Shown, false},
    };
    for (const Row& row : rows) {
        const MonthLayout layout = monthLayout(row.year, row.month, row.monday);
        EXPECT_EQ(layout.firstCell, row.firstCell) << row.name;
        EXPECT_EQ(layout.cellDay(row.cell), row.day) << row.name;
        EXPECT_EQ(layout.part(row.cell), row.part) << row.name;
    }
}

TEST(MonthLayoutTest, WeekStartMovesTheWeekendColumns)
{
    const MonthLayout sunday = monthLayout(2026, 2, false);
    const MonthLayout monday = monthLayout(2026, 2, true);
    EXPECT_EQ(sunday.sundayColumn(), 0);
    EXPECT_EQ(sunday.saturdayColumn(), 6);
    EXPECT_EQ(monday.sundayColumn(), 6);
    EXPECT_EQ(monday.saturdayColumn(), 5);
    EXPECT_EQ(monday.prevMonthDays, 31);
    EXPECT_EQ(sunday.monthDays, 28);
    for (int k = 0; k < MonthLayout::kCells; ++k) {
        EXPECT_EQ(weekday{sunday.cellDay(k)}.c_encoding(), static_cast<unsigned>(k % 7)) << k;
        EXPECT_EQ(weekday{monday.cellDay(k)}.iso_encoding(), static_cast<unsigned>(k % 7 + 1)) << k;
    }
}

TEST(MonthLayoutTest, EveryMonthOfFourCenturiesFitsTheGrid)
{
    for (int y = 1900; y < 2300; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (const bool monday : {false, true}) {
                const MonthLayout layout = monthLayout(y, m, monday);
                ASSERT_LE(layout.firstCell + layout.monthDays, MonthLayout::kCells) << y << "/" << m;
                ASSERT_EQ(layout.cellDay(layout.firstCell), civil(y, m, 1));
                ASSERT_EQ(layout.cellDay(layout.firstCell - 1) + days{1}, civil(y, m, 1));
            }
        }
    }
}

TEST(CalendarNavigationTest, ChosenDayAfterButtonsAndGreyedCells)
{
    struct Row {
        const char* name;
        OleDate start;
        OleDate date;
        int chosenCell; // -1: keep the day of `start`
        MonthStep step;
        int cell;
        int shownMonth;
    };
    const Row rows[] = {
        {"2026-01-31 forward lands on greyed 3 March", at(2026, 1, 31), at(2026, 3, 3), -1,
            MonthStep::MonthForward, 30, 2},
        {"2026-01-15 back to December", at(2026, 1, 15), at(2025, 12, 15), -1, MonthStep::MonthBack, 15, 12},
        {"2025-12-15 forward to January", at(2025, 12, 15), at(2026, 1, 15), -1, MonthStep::MonthForward, 18,
            1},
        {"2024-02-29 a year on is 1 March", at(2024, 2, 29), at(2025, 3, 1), -1, MonthStep::YearForward, 34,
            2},
        {"2026-03-10 a year back", at(2026, 3, 10), at(2025, 3, 10), -1, MonthStep::YearBack, 15, 3},
        // 26 October chosen in November 2025 (day -5): December's cell would be -5.
        {"2025-10-26 greyed, forward clamps to cell 0", at(2025, 11, 1), at(2025, 11, 30), 0,
            MonthStep::MonthForward, 0, 12},
        // The last cell of February 2026 is day 42; February 2027 starts in cell 1.
        {"2026-03-14 greyed, a year on clamps to cell 41", at(2026, 2, 1), at(2027, 3, 13), 41,
            MonthStep::YearForward, 41, 2},
    };
    for (const Row& row : rows) {
        CalendarState state;
        showDate(state, row.start, false);
        if (row.chosenCell >= 0) {
            selectCell(state, shownLayout(state, false), row.chosenCell);
        }
        EXPECT_EQ(stepMonth(state, row.step, false), row.cell) << row.name;
        EXPECT_EQ(state.selectedDate, row.date) << row.name << " " << state.selectedDate.formatDate();
        EXPECT_EQ(state.shownMonth, row.shownMonth) << row.name;
    }
}

TEST(CalendarNavigationTest, GreyedCellChoosesItsDateAndKeepsTheMonth)
{
    CalendarState state;
    EXPECT_EQ(showDate(state, test::at(2025, 12, 10), false), 10);
    selectCell(state, shownLayout(state, false), 0);
    EXPECT_EQ(state.selectedDate, test::at(2025, 11, 30));
    EXPECT_EQ(state.selectedDay, 0);
    EXPECT_EQ(state.shownMonth, 12);
    EXPECT_EQ(state.shownYear, 2025);
}

TEST(CalendarTitleTest, EraYears)
{
    struct Row {
        const char* name;
        year_month_day day;
        const char* text;
    };
    const Row rows[] = {
        {"2026-02-01", year{2026} / 2 / 1, "令和８年"},
        {"2019-05-01 first day of Reiwa", year{2019} / 5 / 1, "令和元年"},
        {"2019-04-01 last month of Heisei", year{2019} / 4 / 1, "平成３１年"},
        {"1989-01-01 still Showa", year{1989} / 1 / 1, "昭和６４年"},
        {"1989-02-01", year{1989} / 2 / 1, "平成元年"},
        {"1926-12-25", year{1926} / 12 / 25, "昭和元年"},
        {"1912-08-01", year{1912} / 8 / 1, "大正元年"},
        {"1900-01-01", year{1900} / 1 / 1, "明治３３年"},
        {"1868-01-01 before Meiji", year{1868} / 1 / 1, "1868年"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(eraYearText(row.day), row.text) << row.name;
    }
}

TEST(CalendarTitleTest, PiecesAndWeekdayHeader)
{
    const auto february = titlePieces(2026, 2, 120, 200);
    EXPECT_EQ(february[0].text, "２０２６");
    EXPECT_EQ(february[0].placement, CaptionPiece::Placement::Bottom);
    EXPECT_EQ(february[1].text, "2");
    EXPECT_EQ(february[1].x, 1800 + 60 + 50);
    EXPECT_EQ(february[1].color, kBlue);
    EXPECT_EQ(february[2].text, "令和８年");
    EXPECT_EQ(february[2].x, 2400);
    EXPECT_EQ(titlePieces(2026, 12, 120, 200)[1].x, 1800 + 25);

    const auto sunday = weekdayHeader(false);
    const auto monday = weekdayHeader(true);
    EXPECT_EQ(sunday[0].text, "日");
    EXPECT_EQ(sunday[0].color, kRed);
    EXPECT_EQ(sunday[6].text, "土");
    EXPECT_EQ(sunday[6].color, kBlue);
    EXPECT_EQ(sunday[1].color, kBlack);
    EXPECT_EQ(monday[0].text, "月");
    EXPECT_EQ(monday[5].color, kBlue);
    EXPECT_EQ(monday[6].text, "日");
    EXPECT_EQ(monday[6].color, kRed);
}

} // namespace
} // namespace kvx
