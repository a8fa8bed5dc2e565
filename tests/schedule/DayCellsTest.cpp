#include "schedule/DayCells.h"

#include "schedule/DayLister.h"
#include "schedule/DisplayOrder.h"
#include "schedule/Rota.h"
#include "tests/schedule/ScheduleTestSupport.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using namespace std::chrono;
using test::at;

AlarmRecord once(OleDate start, const char* message)
{
    AlarmRecord record = test::item(kKindOnce, 0, start);
    record.message = message;
    return record;
}

MonthCells compose(const AlarmTable& table, int year, int month, bool monday, const RoutineList& rota = {})
{
    DisplayOrder order;
    rebuildDisplayOrder(table, order);
    const DayLister lister(table, order);
    return composeMonth(monthLayout(year, month, monday), table, lister, rota, at(2026, 2, 10, 12, 0));
}

std::vector<std::string> texts(const DayCell& cell)
{
    std::vector<std::string> lines;
    lines.reserve(cell.lines.size());
    for (const CellLine& line : cell.lines) {
        lines.push_back(line.text);
    }
    return lines;
}

RoutineList threeRoutines()
{
    RoutineList rota;
    rota.routineCount = 3;
    rota.routineStart = at(2026, 3, 1);
    rota.routineNames = {"早番", "遅番", "休み", ""};
    return rota;
}

TEST(DayCellsTest, NumberColoursAndBackgrounds)
{
    struct Row {
        const char* name;
        int year, month;
        int cell;
        std::int32_t color;
        std::int32_t background;
        bool monday;
        bool bold;
    };
    const Row rows[] = {
        {"2026-02-01 Sunday", 2026, 2, 0, kRed, kHolidayBackground, false, true},
        {"2026-02-02 weekday", 2026, 2, 1, kBlack, kShownBackground, false, true},
        {"2026-02-07 Saturday", 2026, 2, 6, kBlue, kSaturdayBackground, false, true},
        {"2026-02-11 holiday on a Wednesday", 2026, 2, 10, kRed, kHolidayBackground, false, true},
        {"2026-03-01 greyed Sunday", 2026, 2, 28, kRed, kGreyedBackground, false, true},
        {"2026-03-02 greyed weekday", 2026, 2, 29, kBlack, kGreyedBackground, false, true},
        {"2026-02-01 Monday start: Sunday in column 6", 2026, 2, 6, kRed, kHolidayBackground, true, true},
        {"2026-01-31 Monday start: leading Saturday in column 5", 2026, 2, 5, kBlue, kGreyedBackground, true,
            true},
        {"2025-05-03 holiday on a Saturday", 2025, 5, 6, kRed, kHolidayBackground, false, true},
        {"2025-12-28 leading Sunday of January", 2026, 1, 0, kRed, kGreyedBackground, false, true},
        {"2025-12-29 leading weekday, plain", 2026, 1, 1, kBlack, kGreyedBackground, false, false},
        {"2026-01-01 New Year", 2026, 1, 4, kRed, kHolidayBackground, false, true},
        {"2026-04-29 leading holiday of May", 2026, 5, 3, kRed, kGreyedBackground, false, true},
        {"2026-01-01 trailing holiday of December", 2025, 12, 32, kRed, kGreyedBackground, false, true},
    };
    for (const Row& row : rows) {
        const MonthCells cells = compose({}, row.year, row.month, row.monday);
        const DayCell& cell = cells[static_cast<std::size_t>(row.cell)];
        EXPECT_EQ(cell.lines.front().color, row.color) << row.name;
        EXPECT_EQ(cell.background, row.background) << row.name;
        EXPECT_EQ(cell.lines.front().bold, row.bold) << row.name;
    }
}

TEST(DayCellsTest, LinesWithinTheBudget)
{
    const AlarmTable table = test::tableOf({
        once(at(2026, 2, 5, 12, 0), "昼"),
        once(at(2026, 2, 5, 10, 0), "朝"),
        once(at(2026, 2, 5, 20, 0), "夜"),
        once(at(2026, 2, 11, 10, 0), "式典"),
        once(at(2026, 2, 11, 11, 0), "会食"),
        once(at(2026, 2, 12, 8, 30), "早朝"),
        once(at(2026, 3, 3, 10, 0), "翌月"),
        once(at(2026, 1, 31, 23, 59), "前月"),
    });
    struct Row {
        const char* name;
        int cell;
        std::vector<std::string> lines;
    };
    // Sunday start: 2026-02-01 is cell 0; the leading cell of March 3 is cell 30.
    const Row rows[] = {
        {"2026-02-05 three alarms show the first two", 4, {" 5", " ", "朝", "昼"}},
        {"2026-02-11 holiday and two alarms", 10, {" 11", " ", "", "建国記念の日", "式典"}},
        {"2026-02-12 08:30 is in no cell", 11, {" 12", " "}},
        {"2026-02-13 08:30 belongs to the night before", 12, {" 13", " "}},
        {"2026-03-03 greyed cell has its alarm", 30, {" 3", " ", "翌月"}},
    };
    const MonthCells cells = compose(table, 2026, 2, false);
    for (const Row& row : rows) {
        EXPECT_EQ(texts(cells[static_cast<std::size_t>(row.cell)]), row.lines) << row.name;
    }
    // 2026-01-31 is a leading cell of February with a Monday start (cell 5).
    const MonthCells monday = compose(table, 2026, 2, true);
    EXPECT_EQ(texts(monday[5]), (std::vector<std::string>{" 31", " ", "前月"}));
    EXPECT_EQ(cells[10].lines[3].color, kRed);
    EXPECT_EQ(cells[10].lines[4].color, kBlack);
}

TEST(DayCellsTest, RotaLines)
{
    struct Row {
        const char* name;
        OleDate date;
        const char* routine;
    };
    const Row rows[] = {
        {"2026-03-01 first day", at(2026, 3, 1), "早番"},
        {"2026-03-03", at(2026, 3, 3), "休み"},
        {"2026-03-04 routine 1 again", at(2026, 3, 4), "早番"},
        {"2026-02-28 routine 3", at(2026, 2, 28), "休み"},
        {"2026-02-27", at(2026, 2, 27), "遅番"},
        {"2025-03-01 a year before", at(2025, 3, 1), "遅番"},
    };
    const RoutineList rota = threeRoutines();
    for (const Row& row : rows) {
        EXPECT_EQ(routineNameOn(rota, row.date), row.routine) << row.name;
    }
    EXPECT_EQ(routineNameOn({}, at(2026, 3, 1)), "");

    const MonthCells cells = compose({}, 2026, 2, false, rota);
    EXPECT_EQ(cells[27].lines[1].text, " 休み"); // 2026-02-28
    EXPECT_EQ(cells[31].lines[1].text, " 早番"); // 2026-03-04, greyed
    EXPECT_EQ(compose({}, 2026, 2, false)[27].lines[1].text, " ");
}

} // namespace
} // namespace kvx
