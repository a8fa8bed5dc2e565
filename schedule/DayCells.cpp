#include "schedule/DayCells.h"

#include "schedule/DayLister.h"
#include "schedule/Holidays.h"
#include "schedule/Rota.h"

namespace kvx {

namespace {

// The day number, red for a holiday or a Sunday, blue for a Saturday; a day of
// the shown month gets the matching background, a greyed day stays grey. The
// leading greyed days are written after the bold was switched off, so their
// plain numbers are not bold.
void writeDayNumber(DayCell& cell, const MonthLayout& layout, int index, bool holiday)
{
    const MonthLayout::Part part = layout.part(index);
    const int dayOfMonth
        = static_cast<int>(static_cast<unsigned>(std::chrono::year_month_day{cell.day}.day()));
    CellLine line{" " + std::to_string(dayOfMonth), part != MonthLayout::Part::Previous, kBlack};
    cell.greyed = part != MonthLayout::Part::Shown;
    cell.background = cell.greyed ? kGreyedBackground : kShownBackground;
    const int column = index % MonthLayout::kColumns;
    if (holiday || column == layout.sundayColumn()) {
        line.color = kRed;
        line.bold = true;
        if (!cell.greyed) {
            cell.background = kHolidayBackground;
        }
    } else if (column == layout.saturdayColumn()) {
        line.color = kBlue;
        line.bold = true;
        if (!cell.greyed) {
            cell.background = kSaturdayBackground;
        }
    }
    cell.lines.push_back(std::move(line));
}

} // namespace

void appendLowerLines(DayCell& cell, std::string_view holiday, const AlarmTable& table,
    const DayLister& lister, const RoutineList& routines, OleDate now)
{
    const OleDate date = OleDate::fromDay(cell.day);
    cell.lines.push_back({" " + routineNameOn(routines, date), false, kBlack});
    int budget = DayCell::kLowerLineBudget;
    if (!holiday.empty()) {
        cell.lines.push_back({"", false, kRed});
        cell.lines.push_back({std::string(holiday), false, kRed});
        --budget;
    }
    std::vector<int> alarms;
    OleDate ignored;
    lister.appendDayPart(date, now, ignored, alarms, static_cast<std::size_t>(budget));
    for (const int index : alarms) {
        cell.lines.push_back({table.alarms[static_cast<std::size_t>(index)].message, false, kBlack});
    }
}

MonthCells composeMonth(const MonthLayout& layout, const AlarmTable& table, const DayLister& lister,
    const RoutineList& routines, OleDate now)
{
    RoutineList rota = routines;
    if (rota.routineStart.isZero()) {
        rota.routineStart = now.dateOnly();
    }
    MonthCells cells;
    for (int k = 0; k < MonthLayout::kCells; ++k) {
        DayCell& cell = cells[static_cast<std::size_t>(k)];
        cell.day = layout.cellDay(k);
        const std::string_view holiday = holidayName(cell.day);
        writeDayNumber(cell, layout, k, !holiday.empty());
        appendLowerLines(cell, holiday, table, lister, rota, now);
    }
    return cells;
}

} // namespace kvx
