#include "schedule/Timetable.h"

#include "schedule/Recurrence.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kvx {

using namespace timetable;

namespace {

constexpr int kMinutesPerDay = 1440;
constexpr int kScaleMinutes = kHours * 60;

// Twips from the scale's origin for a number of minutes.
constexpr int twipsOfMinutes(int minutes)
{
    return minutes / 60 * kHourWidth + minutes % 60 * kMinuteWidth;
}

// Places the occurrence of the entry's alarm on the date `dayOffset` days after
// the shown one, when its range touches the scale.
void placeBar(const AlarmRecord& alarm, int entry, int alarmIndex, int dayOffset, int scaleStart,
    TimetableLayout& layout)
{
    const int start = alarm.startTime.minuteOfDay();
    const int length = (alarm.endTime.minuteOfDay() - start + kMinutesPerDay) % kMinutesPerDay;
    const int from = dayOffset * kMinutesPerDay + start - scaleStart;
    const int to = from + length;
    if (from > kScaleMinutes || to < 0) {
        return;
    }
    const int shownFrom = std::max(from, 0);
    const int width = twipsOfMinutes(std::min(to, kScaleMinutes) - shownFrom);
    layout.listBar[static_cast<std::size_t>(entry)] = static_cast<int>(layout.bars.size());
    layout.bars.push_back(
        {alarmIndex, entry, kScaleLeft + twipsOfMinutes(shownFrom), width < kNarrowest ? kMarkWidth : width});
}

} // namespace

std::array<int, kLabels> timetableHours(int scroll)
{
    std::array<int, kLabels> hours{};
    for (int i = 0; i < kLabels; ++i) {
        hours[static_cast<std::size_t>(i)] = (scroll - 5 + i) % 24;
    }
    return hours;
}

TimetableLayout layoutTimetable(
    const AlarmTable& table, const DisplayOrder& order, OleDate selectedDate, int scroll)
{
    TimetableLayout layout;
    layout.scroll = std::clamp(scroll, kFirstScroll, kLastScroll);
    layout.hours = timetableHours(layout.scroll);
    if (order.empty()) {
        return layout;
    }
    layout.listBar.assign(order.size(), -1);
    const int scaleStart = (layout.scroll - 5) * 60;
    // Each item and each of the two days is taken apart once, not once a question;
    // the items in the table's order, which walks its memory from start to end.
    std::vector<RuleItem> rules(table.alarms.size());
    for (std::size_t index = 0; index < rules.size(); ++index) {
        rules[index] = ruleItem(table.alarms[index]);
    }
    const std::array<RuleDay, 2> days{ruleDay(selectedDate), ruleDay(selectedDate.plusDays(1))};
    for (const int dayOffset : {0, 1}) {
        for (std::size_t entry = 0; entry < order.size(); ++entry) {
            const int index = order.alarmIndex(entry);
            if (occursOn(rules[static_cast<std::size_t>(index)], days[static_cast<std::size_t>(dayOffset)])) {
                placeBar(table.alarms[static_cast<std::size_t>(index)], static_cast<int>(entry), index,
                    dayOffset, scaleStart, layout);
            }
        }
    }
    return layout;
}

int TimetableLayout::barOfSelected(ListMode list, int selectedAlarm, int currentRow) const
{
    if (list == kListDay) {
        const auto found = std::find_if(bars.begin(), bars.end(),
            [selectedAlarm](const TimetableBar& bar) { return bar.alarmIndex == selectedAlarm; });
        return found == bars.end() ? -1 : static_cast<int>(found - bars.begin());
    }
    if (currentRow < 0 || currentRow >= static_cast<int>(listBar.size())) {
        return -1;
    }
    return listBar[static_cast<std::size_t>(currentRow)];
}

std::array<TwipsBox, 4> framePieces(const TwipsBox& bar)
{
    return {{
        {bar.left, bar.top, kFrameThickness, bar.height},
        {bar.left + bar.width - 40, bar.top, kFrameThickness, bar.height},
        {bar.left, bar.top, bar.width, kFrameThickness},
        {bar.left, bar.top + bar.height - kFrameThickness, bar.width, kFrameThickness},
    }};
}

int scrollToAlarm(OleDate start)
{
    const int hour = start.hour() + (start.minute() != 0 ? 1 : 0);
    const int g = hour + 1 > 23 ? hour - 23 : hour + 1;
    return g >= 0 && g <= 9 ? g + 15 : kFirstScroll;
}

} // namespace kvx
