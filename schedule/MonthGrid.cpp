#include "schedule/MonthGrid.h"

#include "schedule/DateHelpers.h"

#include <algorithm>

namespace kvx {

using namespace std::chrono;

namespace {

struct Era {
    year_month_day start;
    const char* name;
};

// Newest first; each era starts on the day its first year begins.
const std::array<Era, 5> kEras = {{
    {year{2019} / May / 1, "令和"},
    {year{1989} / January / 8, "平成"},
    {year{1926} / December / 25, "昭和"},
    {year{1912} / July / 30, "大正"},
    {year{1868} / September / 8, "明治"},
}};

year_month_day firstOf(int y, int m)
{
    return {std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(m)}, std::chrono::day{1}};
}

} // namespace

sys_days MonthLayout::cellDay(int cell) const
{
    const sys_days first{firstOf(year, month)};
    return first + days{cell - firstCell};
}

MonthLayout::Part MonthLayout::part(int cell) const
{
    const int relative = relativeDay(cell);
    if (relative < 1) {
        return Part::Previous;
    }
    return relative > monthDays ? Part::Next : Part::Shown;
}

int MonthLayout::cellOfDay(int relative) const
{
    return std::clamp(firstCell + relative - 1, 0, kCells - 1);
}

MonthLayout monthLayout(int year, int month, bool weekStartsMonday)
{
    MonthLayout layout;
    layout.year = year;
    layout.month = month;
    layout.weekStartsMonday = weekStartsMonday;
    layout.firstCell = firstColumn(year, month, weekStartsMonday);
    layout.monthDays = daysInMonth(year, month);
    layout.prevMonthDays = month == 1 ? daysInMonth(year - 1, 12) : daysInMonth(year, month - 1);
    return layout;
}

MonthLayout shownLayout(const CalendarState& state, bool weekStartsMonday)
{
    return monthLayout(state.shownYear, state.shownMonth, weekStartsMonday);
}

void selectCell(CalendarState& state, const MonthLayout& layout, int cell)
{
    state.selectedDay = static_cast<std::int16_t>(layout.relativeDay(cell));
    state.selectedDate = OleDate::fromDay(layout.cellDay(cell));
}

int stepMonth(CalendarState& state, MonthStep step, bool weekStartsMonday)
{
    int year = state.shownYear;
    int month = state.shownMonth;
    switch (step) {
    case MonthStep::YearBack:
        --year;
        break;
    case MonthStep::MonthBack:
        year = state.prevYear;
        month = state.prevMonth;
        break;
    case MonthStep::MonthForward:
        year = state.nextYear;
        month = state.nextMonth;
        break;
    case MonthStep::YearForward:
        ++year;
        break;
    }
    state.showMonth(year, month);
    const MonthLayout layout = shownLayout(state, weekStartsMonday);
    const int cell = layout.cellOfDay(state.selectedDay);
    selectCell(state, layout, cell);
    return cell;
}

int showDate(CalendarState& state, OleDate date, bool weekStartsMonday)
{
    state.selectDate(date);
    const MonthLayout layout = shownLayout(state, weekStartsMonday);
    const int cell = layout.cellOfDay(state.selectedDay);
    selectCell(state, layout, cell);
    return cell;
}

std::string fullWidthDigits(const std::string& digits)
{
    std::string wide;
    for (const char c : digits) {
        if (c >= '0' && c <= '9') {
            // U+FF10 + digit: EF BC 90..99 in UTF-8.
            wide += "\xEF\xBC";
            wide += static_cast<char>(0x90 + (c - '0'));
        } else {
            wide += c;
        }
    }
    return wide;
}

std::string eraYearText(year_month_day day)
{
    for (const Era& era : kEras) {
        if (day >= era.start) {
            const int eraYear = static_cast<int>(day.year()) - static_cast<int>(era.start.year()) + 1;
            const std::string number = eraYear == 1 ? "元" : fullWidthDigits(std::to_string(eraYear));
            return std::string(era.name) + number + "年";
        }
    }
    return std::to_string(static_cast<int>(day.year())) + "年";
}

std::array<CaptionPiece, 3> titlePieces(int year, int month, int widthOfTwo, int widthOfW)
{
    using Placement = CaptionPiece::Placement;
    const int monthX = month < 10 ? 1800 + widthOfTwo / 2 + 50 : 1800 + widthOfW / 8;
    const year_month_day first = firstOf(year, month);
    return {{
        {fullWidthDigits(std::to_string(year)), "ＭＳ ゴシック", 10, kTitleGrey, 800, Placement::Bottom},
        {std::to_string(month), "Tahoma", 14, kBlue, monthX, Placement::Middle},
        {eraYearText(first), "ＭＳ ゴシック", 10, kTitleGrey, 2400, Placement::Bottom},
    }};
}

std::array<WeekdayName, 7> weekdayHeader(bool weekStartsMonday)
{
    const std::array<const char*, 7> sundayFirst = {"日", "月", "火", "水", "木", "金", "土"};
    std::array<WeekdayName, 7> header;
    const std::size_t shift = weekStartsMonday ? 1 : 0;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const std::size_t weekday = (i + shift) % 7; // 0 = Sunday
        header[i].text = sundayFirst[weekday];
        header[i].color = weekday == 0 ? kRed : weekday == 6 ? kBlue : kBlack;
    }
    return header;
}

} // namespace kvx
