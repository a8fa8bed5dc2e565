#pragma once

#include "core/ViewState.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

namespace kvx {

// The 6 x 7 cells of a month: cell k is in row k / 7 and column k % 7. Day 1
// sits in `firstCell`; the cells before it show the end of the month before,
// the cells after the month's last day the start of the month after.
struct MonthLayout {
    static constexpr int kCells = 42;
    static constexpr int kColumns = 7;

    enum class Part { Previous, Shown, Next };

    int year = 0;
    int month = 0; // 1..12
    bool weekStartsMonday = false;
    int firstCell = 0; // 0..6
    int monthDays = 0; // 28..31
    int prevMonthDays = 0;

    std::chrono::sys_days cellDay(int cell) const;
    Part part(int cell) const;
    bool greyed(int cell) const { return part(cell) != Part::Shown; }
    // The day relative to the shown month: <= 0 before it, > monthDays after it.
    int relativeDay(int cell) const { return cell - firstCell + 1; }
    // The cell of a relative day. A day whose cell would lie outside the grid
    // (a greyed day chosen before a month change) takes the nearest cell.
    int cellOfDay(int relative) const;

    int sundayColumn() const { return weekStartsMonday ? 6 : 0; }
    int saturdayColumn() const { return weekStartsMonday ? 5 : 6; }
};

MonthLayout monthLayout(int year, int month, bool weekStartsMonday);
// The layout of the month the state shows.
MonthLayout shownLayout(const CalendarState& state, bool weekStartsMonday);

// Chooses cell k of the shown month: its relative day and its date, which lies
// in a neighbouring month for a greyed cell. The shown month stays.
void selectCell(CalendarState& state, const MonthLayout& layout, int cell);

// The navigation buttons, left to right.
enum class MonthStep { YearBack = 0, MonthBack = 1, MonthForward = 2, YearForward = 3 };

// Shows the month a button leads to and chooses the same relative day there
// (which may fall in the greyed part); returns the chosen cell.
int stepMonth(CalendarState& state, MonthStep step, bool weekStartsMonday);
// Shows the month of `date` and chooses its cell; returns the cell.
int showDate(CalendarState& state, OleDate date, bool weekStartsMonday);

// The era of a day with its year in it, as the title writes it: "令和８年",
// "平成元年" (the first year of an era is 元年). Days before the Meiji era
// give their Gregorian year "1867年".
std::string eraYearText(std::chrono::year_month_day day);

// Ascii digits as full-width digits: "2026" -> "２０２６".
std::string fullWidthDigits(const std::string& digits);

// The colour values the calendar paints with (red + green * 256 + blue * 65536).
constexpr std::int32_t rgb(int red, int green, int blue)
{
    return red + green * 256 + blue * 65536;
}
inline constexpr std::int32_t kBlack = rgb(0, 0, 0);
inline constexpr std::int32_t kRed = rgb(255, 0, 0);
inline constexpr std::int32_t kBlue = rgb(0, 0, 255);
inline constexpr std::int32_t kTitleGrey = rgb(100, 100, 100);

// One text piece painted on a button face. Placement picks y: top 30 twips
// down, bottom 30 twips above the bottom of a "W", middle centred on a "W".
struct CaptionPiece {
    enum class Placement { Top = 0, Bottom = 1, Middle = 2 };

    std::string text;
    std::string fontName;
    int fontSize = 9; // points
    std::int32_t color = kBlack;
    int x = 0; // twips from the button's left edge
    Placement placement = Placement::Top;
};

// The title button: the year in full-width digits, the month number, the era
// year of the month's first day. The month's x depends on the width of "2"
// and of "W" in its font, measured by the painter (twips).
std::array<CaptionPiece, 3> titlePieces(int year, int month, int widthOfTwo, int widthOfW);

struct WeekdayName {
    std::string text;
    std::int32_t color = kBlack;
};

// The weekday header from the first column: Sunday red, Saturday blue.
std::array<WeekdayName, 7> weekdayHeader(bool weekStartsMonday);

} // namespace kvx
