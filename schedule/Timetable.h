#pragma once

#include "core/OleDate.h"
#include "core/Records.h"
#include "schedule/DisplayOrder.h"

#include <array>
#include <vector>

namespace kvx {

// The day timetable: the alarms of a day as bars on an hour scale of 14 hours.
// The program's day runs from 9:00 to 8:59 of the next date, so the scale can be
// shifted by its scroll value v (14..24) from 9:00-23:00 up to 19:00-9:00; it
// starts at hour v - 5. All geometry is in twips from the band's left edge.
namespace timetable {

inline constexpr int kFirstScroll = 14; // the scale starts at 9:00
inline constexpr int kLastScroll = 24; // the scale starts at 19:00
inline constexpr int kHours = 14;
inline constexpr int kLabels = kHours + 1;
inline constexpr int kScaleLeft = 340;
inline constexpr int kHourWidth = 726; // 10170 / 14, rounded
inline constexpr int kMinuteWidth = 12; // 726 div 60
// Every bar lies in the row of the bar template: top 6915, height 375.
inline constexpr int kBarTop = 6915;
inline constexpr int kBarHeight = 375;
// A bar narrower than this shows as a mark of kMarkWidth.
inline constexpr int kNarrowest = 30;
inline constexpr int kMarkWidth = 50;
inline constexpr int kFrameThickness = 50;

} // namespace timetable

struct TwipsBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const TwipsBox&) const = default;
};

// One bar: the part of one occurrence of an alarm that lies on the scale.
struct TimetableBar {
    int alarmIndex = 0; // `BarAlarm`
    int entry = 0; // the alarm's position in the display order
    int left = 0;
    int width = 0;

    TwipsBox box() const { return {left, timetable::kBarTop, width, timetable::kBarHeight}; }
    bool operator==(const TimetableBar&) const = default;
};

struct TimetableLayout {
    int scroll = timetable::kFirstScroll;
    // The hour each of the 15 labels shows, left to right.
    std::array<int, timetable::kLabels> hours{};
    // In creation order; overlapping bars share the row, later ones on top.
    std::vector<TimetableBar> bars;
    // `ListBar`: for each position of the display order the bar that shows it
    // (the one placed last), or -1.
    std::vector<int> listBar;

    // `BarOfSelected`: with the per-day list the first bar of the selected
    // alarm; with the all-alarms list the bar of the current row's entry. -1
    // for none.
    int barOfSelected(ListMode list, int selectedAlarm, int currentRow) const;
};

// The hours the labels show for a scroll value.
std::array<int, timetable::kLabels> timetableHours(int scroll);

// The bars of `selectedDate` for a scroll value (clamped to 14..24). The alarms
// placed on the date come first, then those placed on the next date, each pass
// in display order. An occurrence spans from its start's time of day to its
// end's, taken to the next day when the end is earlier, so a range across
// midnight keeps its length. It gets a bar when that range touches the scale
// (both ends of the scale included), cut to the part on the scale.
TimetableLayout layoutTimetable(
    const AlarmTable& table, const DisplayOrder& order, OleDate selectedDate, int scroll);

// The four frame pieces around a bar, in the order left, right, top, bottom.
std::array<TwipsBox, 4> framePieces(const TwipsBox& bar);

// `ScrollToAlarm`: the scroll value that shows an alarm starting at `start`
// (its hour rounded up to a full one). The scale starts at 9:00 for rounded
// hours of 9 to 22 and later for 23:00 and the early morning, so that such an
// alarm falls near the right end.
int scrollToAlarm(OleDate start);

} // namespace kvx
