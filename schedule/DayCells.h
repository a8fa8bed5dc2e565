#pragma once

#include "core/OleDate.h"
#include "core/Records.h"
#include "schedule/MonthGrid.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

class DayLister;

// One line of a day cell as the grid paints it, 9 point throughout.
struct CellLine {
    std::string text;
    bool bold = false;
    std::int32_t color = kBlack;

    bool operator==(const CellLine&) const = default;
};

inline constexpr std::int32_t kGreyedBackground = rgb(200, 200, 200);
inline constexpr std::int32_t kShownBackground = rgb(255, 255, 255);
inline constexpr std::int32_t kHolidayBackground = rgb(252, 225, 253);
inline constexpr std::int32_t kSaturdayBackground = rgb(224, 245, 254);

// A cell's day-number line, routine line, holiday lines and alarm lines, with
// its background. A cell shows at most two lines below its routine: two alarm
// messages, or the holiday and one message.
struct DayCell {
    static constexpr int kLowerLineBudget = 2;

    std::chrono::sys_days day;
    bool greyed = false;
    std::int32_t background = kShownBackground;
    std::vector<CellLine> lines;
};

using MonthCells = std::array<DayCell, MonthLayout::kCells>;

// The lines below the day number: " " + the day's rota name (a blank line
// without a rota), then an empty line and the holiday's name in red, then the
// messages of the day part's alarms in display order within the budget.
void appendLowerLines(DayCell& cell, std::string_view holiday, const AlarmTable& table,
    const DayLister& lister, const RoutineList& routines, OleDate now);

// Every cell of the month; a rota that was never started counts from today.
MonthCells composeMonth(const MonthLayout& layout, const AlarmTable& table, const DayLister& lister,
    const RoutineList& routines, OleDate now);

} // namespace kvx
