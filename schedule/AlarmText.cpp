#include "schedule/AlarmText.h"

namespace kvx {

namespace {

constexpr std::array<std::string_view, 12> kKindWords = {
    "－－",
    "毎月",
    "毎週",
    "毎日",
    "一回",
    "ｸｲｯｸ",
    "隔週",
    "第１",
    "第２",
    "第３",
    "第４",
    "第５",
};

struct WeekdayLetter {
    int bit;
    std::string_view letter;
};

constexpr std::array<WeekdayLetter, 7> kMondayFirst = {{
    {kMonday, "月"},
    {kTuesday, "火"},
    {kWednesday, "水"},
    {kThursday, "木"},
    {kFriday, "金"},
    {kSaturday, "土"},
    {kSunday, "日"},
}};

constexpr std::string_view kClearWeekday = "－";

// "hh:nn" as OleDate writes it, without the formatting machinery: the calendar
// list writes two per row for every alarm of a day.
std::string clockText(OleDate time)
{
    const int minutes = time.minuteOfDay();
    const int h = minutes / 60;
    const int m = minutes % 60;
    return {static_cast<char>('0' + h / 10), static_cast<char>('0' + h % 10), ':',
        static_cast<char>('0' + m / 10), static_cast<char>('0' + m % 10)};
}

} // namespace

std::string_view kindWord(int kind)
{
    return kind >= 0 && kind < static_cast<int>(kKindWords.size())
        ? kKindWords[static_cast<std::size_t>(kind)]
        : std::string_view();
}

std::string weekdayLetters(int weekdayMask, bool weekStartsMonday)
{
    // Sunday-first is the same week begun at its last day.
    const std::size_t first = weekStartsMonday ? 0 : 6;
    std::string letters;
    for (std::size_t i = 0; i < kMondayFirst.size(); ++i) {
        const WeekdayLetter& day = kMondayFirst[(first + i) % kMondayFirst.size()];
        letters += (weekdayMask & day.bit) != 0 ? day.letter : kClearWeekday;
    }
    return letters;
}

std::string describeAlarm(const AlarmRecord& item, bool weekStartsMonday)
{
    std::string text = clockText(item.startTime);
    text += ' ';
    text += item.startTime.formatDate();
    text += ' ';
    text += kindWord(item.kind);
    text += ' ';
    text += weekdayLetters(item.weekdayMask, weekStartsMonday);
    return text;
}

std::string_view rowMarker(const AlarmRecord& item, OleDate chosenDay, OleDate now)
{
    const auto day = chosenDay.day();
    const auto today = now.day();
    if (day != today) {
        return day < today ? kMarkerDone : kMarkerToCome;
    }
    return item.startTime.minuteOfDay() <= now.minuteOfDay() ? kMarkerDone : kMarkerToCome;
}

std::array<std::string, 4> calendarRowTexts(const AlarmRecord& item)
{
    return {
        clockText(item.startTime), clockText(item.endTime), std::string(kindWord(item.kind)), item.message};
}

} // namespace kvx
