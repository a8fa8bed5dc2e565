#include "schedule/Recurrence.h"

#include "schedule/DateHelpers.h"
#include "tests/schedule/ScheduleTestSupport.h"

#include <gtest/gtest.h>
#include <random>

namespace kvx {
namespace {

using test::at;
using test::item;

using namespace std::chrono;

TEST(Recurrence, RuleFallsOnItsDays)
{
    struct Row {
        const char* name;
        AlarmRecord item;
        OleDate day;
        bool falls;
    };
    const AlarmRecord monthly31 = item(kKindMonthly, 0, at(2024, 1, 31, 10));
    const AlarmRecord monthly29 = item(kKindMonthly, 0, at(2024, 1, 29, 10));
    const AlarmRecord fortnightMonday = item(kKindFortnightly, kMonday, at(2024, 2, 29, 10));
    const AlarmRecord fortnightThursday = item(kKindFortnightly, kThursday, at(2024, 2, 29, 10));
    const AlarmRecord fortnightWednesday = item(kKindFortnightly, kWednesday, at(2024, 2, 29, 10));
    const AlarmRecord thirdTuesday = item(kKindThirdWeek, kTuesday, at(2024, 1, 1, 10));
    const AlarmRecord fifthTuesday = item(kKindFifthWeek, kTuesday, at(2024, 1, 1, 10));
    const AlarmRecord secondMonFri = item(kKindSecondWeek, kMonday | kFriday, at(2024, 1, 1, 10));
    const Row rows[] = {
        {"2024-03-31 monthly on the 31st", monthly31, at(2024, 3, 31), true},
        {"2024-04-30 monthly on the 31st is not clamped", monthly31, at(2024, 4, 30), false},
        {"2024-05-01 monthly on the 31st", monthly31, at(2024, 5, 1), false},
        {"2024-02-29 monthly on the 29th in a leap year", monthly29, at(2024, 2, 29), true},
        {"2023-02-28 monthly on the 29th, no leap year", monthly29, at(2023, 2, 28), false},
        {"2023-12-29 monthly before its date still matches the rule", monthly29, at(2023, 12, 29), true},
        {"2024-06-03 weekly Monday", item(kKindWeekly, kMonday, at(2024, 6, 3)), at(2024, 6, 3), true},
        {"2024-06-04 weekly Monday on a Tuesday", item(kKindWeekly, kMonday, at(2024, 6, 3)), at(2024, 6, 4),
            false},
        {"2024-06-09 weekly Sunday is bit 64", item(kKindWeekly, kSunday, at(2024, 6, 3)), at(2024, 6, 9),
            true},
        {"2024-06-08 weekly Saturday is bit 32", item(kKindWeekly, kSaturday, at(2024, 6, 3)), at(2024, 6, 8),
            true},
        {"2024-06-03 weekly with mask 0", item(kKindWeekly, 0, at(2024, 6, 3)), at(2024, 6, 3), false},
        {"2024-12-31 daily", item(kKindDaily, 0, at(2024, 6, 3)), at(2024, 12, 31), true},
        {"2024-05-02 once on its date", item(kKindOnce, 0, at(2024, 5, 2, 7)), at(2024, 5, 2), true},
        {"2024-05-03 once the day after", item(kKindOnce, 0, at(2024, 5, 2, 7)), at(2024, 5, 3), false},
        {"2025-05-02 once a year later", item(kKindOnce, 0, at(2024, 5, 2, 7)), at(2025, 5, 2), false},
        {"2024-05-02 quick timer on its date", item(kKindQuick, 0, at(2024, 5, 2, 7)), at(2024, 5, 2), true},
        {"2024-05-01 quick timer the day before", item(kKindQuick, 0, at(2024, 5, 2, 7)), at(2024, 5, 1),
            false},
        {"2024-03-04 every other week: the anchor Monday", fortnightMonday, at(2024, 3, 4), true},
        {"2024-03-11 every other week: the off week", fortnightMonday, at(2024, 3, 11), false},
        {"2024-03-18 every other week: two weeks on", fortnightMonday, at(2024, 3, 18), true},
        {"2024-04-01 every other week: four weeks on", fortnightMonday, at(2024, 4, 1), true},
        {"2024-02-19 every other week: two weeks before the anchor", fortnightMonday, at(2024, 2, 19), true},
        {"2024-02-26 every other week: one week before the anchor", fortnightMonday, at(2024, 2, 26), false},
        {"2024-02-29 every other week: the start day is its own anchor", fortnightThursday, at(2024, 2, 29),
            true},
        {"2024-03-07 every other week: a week after the start day", fortnightThursday, at(2024, 3, 7), false},
        {"2024-03-14 every other week: two weeks after the start day", fortnightThursday, at(2024, 3, 14),
            true},
        {"2024-03-06 every other week: anchor six days on", fortnightWednesday, at(2024, 3, 6), true},
        {"2024-02-28 every other week: the day before the start", fortnightWednesday, at(2024, 2, 28), false},
        {"2024-02-21 every other week: two weeks before the anchor", fortnightWednesday, at(2024, 2, 21),
            true},
        {"2024-03-04 every other week with mask 0", item(kKindFortnightly, 0, at(2024, 2, 29)),
            at(2024, 3, 4), false},
        {"2024-06-18 third Tuesday", thirdTuesday, at(2024, 6, 18), true},
        {"2024-06-11 second Tuesday is not the third", thirdTuesday, at(2024, 6, 11), false},
        {"2024-07-16 third Tuesday", thirdTuesday, at(2024, 7, 16), true},
        {"2024-06-25 fourth Tuesday of a month with four", fifthTuesday, at(2024, 6, 25), false},
        {"2024-07-30 fifth Tuesday", fifthTuesday, at(2024, 7, 30), true},
        {"2024-02-29 fifth Thursday of a leap February", item(kKindFifthWeek, kThursday, at(2024, 1, 1)),
            at(2024, 2, 29), true},
        {"2024-09-01 first Sunday", item(kKindFirstWeek, kSunday, at(2024, 1, 1)), at(2024, 9, 1), true},
        {"2024-06-10 second Monday of two weekdays", secondMonFri, at(2024, 6, 10), true},
        {"2024-06-14 second Friday of two weekdays", secondMonFri, at(2024, 6, 14), true},
        {"2024-06-17 third Monday", secondMonFri, at(2024, 6, 17), false},
        {"2024-06-18 n-th week with mask 0", item(kKindThirdWeek, 0, at(2024, 1, 1)), at(2024, 6, 18), false},
        {"2024-06-03 kind 0", item(kKindNone, 127, at(2024, 6, 3)), at(2024, 6, 3), false},
        {"2024-06-03 kind 12", item(12, 127, at(2024, 6, 3)), at(2024, 6, 3), false},
        {"2024-06-03 kind -1", item(-1, 127, at(2024, 6, 3)), at(2024, 6, 3), false},
        {"2024-06-03 kind 258 is no weekly kind", item(258, 127, at(2024, 6, 3)), at(2024, 6, 3), false},
        {"2024-06-04 weekly with every bit of the mask set", item(kKindWeekly, -1, at(2024, 6, 3)),
            at(2024, 6, 4), true},
        {"2024-06-03 weekly with only bit 128", item(kKindWeekly, 128, at(2024, 6, 3)), at(2024, 6, 3),
            false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ruleFalls(row.item, row.day), row.falls) << row.name;
    }
}

TEST(Recurrence, DayAndNightParts)
{
    struct Row {
        const char* name;
        AlarmRecord item;
        OleDate day;
        bool dayPart, nightPart;
    };
    const AlarmRecord daily0730 = item(kKindDaily, 0, at(2024, 5, 10, 7, 30));
    const AlarmRecord daily0900 = item(kKindDaily, 0, at(2024, 5, 10, 9, 0));
    const AlarmRecord once0700 = item(kKindOnce, 0, at(2024, 5, 2, 7, 0));
    const AlarmRecord monday2200 = item(kKindWeekly, kMonday, at(2024, 6, 3, 22, 0));
    const AlarmRecord monday0200 = item(kKindWeekly, kMonday, at(2024, 6, 3, 2, 0));
    const AlarmRecord monthly31 = item(kKindMonthly, 0, at(2024, 1, 31, 10, 0));
    const AlarmRecord monthly31early = item(kKindMonthly, 0, at(2024, 1, 31, 8, 0));
    const Row rows[] = {
        {"2024-05-09 daily 07:30 the day before its date", daily0730, at(2024, 5, 9), false, true},
        {"2024-05-08 daily 07:30 two days before its date", daily0730, at(2024, 5, 8), false, false},
        {"2024-06-01 daily 07:30 later on", daily0730, at(2024, 6, 1), false, true},
        {"2024-05-10 daily 09:00 on its date", daily0900, at(2024, 5, 10), true, false},
        {"2024-05-09 daily 09:00 the day before its date", daily0900, at(2024, 5, 9), false, false},
        {"2024-05-01 once 07:00 dated 2 May", once0700, at(2024, 5, 1), false, true},
        {"2024-05-02 once 07:00 on its date", once0700, at(2024, 5, 2), false, false},
        {"2024-06-03 weekly Monday 22:00", monday2200, at(2024, 6, 3), true, false},
        {"2024-06-10 weekly Monday 22:00 a week on", monday2200, at(2024, 6, 10), true, false},
        {"2024-05-27 weekly Monday 22:00 before its date", monday2200, at(2024, 5, 27), false, false},
        {"2024-06-02 weekly Monday 02:00 on the Sunday before", monday0200, at(2024, 6, 2), false, true},
        {"2024-06-09 weekly Monday 02:00 on a later Sunday", monday0200, at(2024, 6, 9), false, true},
        {"2024-05-26 weekly Monday 02:00 a week too early", monday0200, at(2024, 5, 26), false, false},
        {"2024-06-03 weekly Monday 02:00 on the Monday", monday0200, at(2024, 6, 3), false, false},
        {"2024-04-30 monthly on the 31st never in April", monthly31, at(2024, 4, 30), false, false},
        {"2024-05-31 monthly on the 31st", monthly31, at(2024, 5, 31), true, false},
        {"2024-05-30 monthly 08:00 on the 31st rings the night after", monthly31early, at(2024, 5, 30), false,
            true},
        {"2024-04-30 monthly 08:00 on the 31st", monthly31early, at(2024, 4, 30), false, false},
        {"2024-06-30 daily 10:00 dated in the future", item(kKindDaily, 0, at(2024, 7, 1, 10)),
            at(2024, 6, 30), false, false},
        {"2024-06-30 daily 08:00 dated the next day", item(kKindDaily, 0, at(2024, 7, 1, 8)), at(2024, 6, 30),
            false, true},
        {"2024-06-29 daily 08:00 dated two days on", item(kKindDaily, 0, at(2024, 7, 1, 8)), at(2024, 6, 29),
            false, false},
        {"2024-06-30 weekly Monday 08:00 dated a Monday ahead", item(kKindWeekly, kMonday, at(2024, 7, 8, 8)),
            at(2024, 6, 30), false, false},
        {"2024-06-03 daily 23:59 is the day part", item(kKindDaily, 0, at(2024, 6, 1, 23, 59)),
            at(2024, 6, 3), true, false},
        {"2024-06-03 daily 08:59 is the night part", item(kKindDaily, 0, at(2024, 6, 1, 8, 59)),
            at(2024, 6, 3), false, true},
        {"2024-06-03 daily 00:00 is the night part", item(kKindDaily, 0, at(2024, 6, 1, 0, 0)),
            at(2024, 6, 3), false, true},
        {"2024-02-29 monthly on the 1st rings the night after", item(kKindMonthly, 0, at(2024, 1, 1, 6)),
            at(2024, 2, 29), false, true},
        {"2024-12-31 monthly on the 1st rings in the new year", item(kKindMonthly, 0, at(2024, 1, 1, 6)),
            at(2024, 12, 31), false, true},
        {"2024-10-31 first Friday 05:00 rings on 1 November",
            item(kKindFirstWeek, kFriday, at(2024, 1, 1, 5)), at(2024, 10, 31), false, true},
        {"2024-11-01 first Friday 15:00", item(kKindFirstWeek, kFriday, at(2024, 1, 1, 15)), at(2024, 11, 1),
            true, false},
        {"2024-03-03 every other week Monday 06:00 from 2024-02-29",
            item(kKindFortnightly, kMonday, at(2024, 2, 29, 6)), at(2024, 3, 3), false, true},
        {"2024-03-10 every other week Monday 06:00 off week",
            item(kKindFortnightly, kMonday, at(2024, 2, 29, 6)), at(2024, 3, 10), false, false},
        {"2024-01-01 daily 00:00 on the zero date", item(kKindDaily, 0, OleDate()), at(2024, 1, 1), false,
            true},
        {"2024-01-01 once on the zero date", item(kKindOnce, 0, OleDate()), at(2024, 1, 1), false, false},
    };
    const OleDate now = at(2000, 1, 1);
    for (const Row& row : rows) {
        OleDate nextRingAt;
        EXPECT_EQ(inDayPart(row.item, row.day, now, nextRingAt), row.dayPart) << row.name;
        EXPECT_EQ(inNightPart(row.item, row.day, now, nextRingAt), row.nightPart) << row.name;
    }
}

TEST(Recurrence, OccursOnPlacesOnlyWeeklyUnitKindsByTime)
{
    struct Row {
        const char* name;
        AlarmRecord item;
        OleDate day;
        bool occurs;
    };
    const Row rows[] = {
        {"2024-02-15 monthly 07:00", item(kKindMonthly, 0, at(2024, 1, 15, 7)), at(2024, 2, 15), true},
        {"2024-02-16 monthly 07:00", item(kKindMonthly, 0, at(2024, 1, 15, 7)), at(2024, 2, 16), false},
        {"2023-12-15 monthly 07:00 before its date", item(kKindMonthly, 0, at(2024, 1, 15, 7)),
            at(2023, 12, 15), false},
        {"2024-01-01 daily 07:00 on its date", item(kKindDaily, 0, at(2024, 1, 1, 7)), at(2024, 1, 1), true},
        {"2023-12-31 daily 07:00 before its date", item(kKindDaily, 0, at(2024, 1, 1, 7)), at(2023, 12, 31),
            false},
        {"2024-05-02 once 07:00", item(kKindOnce, 0, at(2024, 5, 2, 7)), at(2024, 5, 2), true},
        {"2024-05-02 quick timer 02:00", item(kKindQuick, 0, at(2024, 5, 2, 2)), at(2024, 5, 2), true},
        {"2024-06-03 weekly Monday 07:00", item(kKindWeekly, kMonday, at(2024, 6, 3, 7)), at(2024, 6, 3),
            false},
        {"2024-06-03 weekly Monday 10:00", item(kKindWeekly, kMonday, at(2024, 6, 3, 10)), at(2024, 6, 3),
            true},
        {"2024-03-04 every other week 07:00", item(kKindFortnightly, kMonday, at(2024, 2, 29, 7)),
            at(2024, 3, 4), false},
        {"2024-03-04 every other week 10:00", item(kKindFortnightly, kMonday, at(2024, 2, 29, 10)),
            at(2024, 3, 4), true},
        {"2024-06-18 third Tuesday 08:59", item(kKindThirdWeek, kTuesday, at(2024, 1, 1, 8, 59)),
            at(2024, 6, 18), false},
        {"2024-06-18 third Tuesday 09:00", item(kKindThirdWeek, kTuesday, at(2024, 1, 1, 9)), at(2024, 6, 18),
            true},
        {"2024-06-03 kind 0", item(kKindNone, 127, at(2024, 6, 3, 10)), at(2024, 6, 3), false},
        {"2024-06-03 kind 12", item(12, 127, at(2024, 6, 3, 10)), at(2024, 6, 3), false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(occursOn(row.item, row.day), row.occurs) << row.name;
    }
}

TEST(Recurrence, OfferNextRingKeepsTheEarliestBellAhead)
{
    struct Row {
        const char* name;
        OleDate known;
        AlarmRecord item;
        OleDate now;
        OleDate expected;
    };
    const OleDate today = at(2024, 6, 3);
    const Row rows[] = {
        {"2024-06-03 pre-alarm 90 minutes before 10:00", OleDate(),
            item(kKindDaily, 0, at(2024, 1, 1, 10), 1, 90), at(2024, 6, 3, 8), at(2024, 6, 3, 8, 30)},
        {"2024-06-03 pre-alarm at the current second is not ahead", OleDate(),
            item(kKindDaily, 0, at(2024, 1, 1, 10), 1, 90), at(2024, 6, 3, 8, 30), OleDate()},
        {"2024-06-03 pre-alarm and main bell offer the pre-alarm", OleDate(),
            item(kKindDaily, 0, at(2024, 1, 1, 10), 2, 15), at(2024, 6, 3, 8), at(2024, 6, 3, 9, 45)},
        {"2024-06-03 main bell only", OleDate(), item(kKindDaily, 0, at(2024, 1, 1, 10), 0, 15),
            at(2024, 6, 3, 8), at(2024, 6, 3, 10)},
        {"2024-06-03 negative pre-alarm mode offers nothing", OleDate(),
            item(kKindDaily, 0, at(2024, 1, 1, 10), -1, 15), at(2024, 6, 3, 8), OleDate()},
        {"2024-06-03 an unknown pre-alarm mode offers the main bell", OleDate(),
            item(kKindDaily, 0, at(2024, 1, 1, 10), 3, 15), at(2024, 6, 3, 8), at(2024, 6, 3, 10)},
        {"2024-06-03 earlier bell replaces a later one", at(2024, 6, 3, 9),
            item(kKindDaily, 0, at(2024, 1, 1, 8, 30)), at(2024, 6, 3, 8), at(2024, 6, 3, 8, 30)},
        {"2024-06-03 later bell leaves the known one", at(2024, 6, 3, 9),
            item(kKindDaily, 0, at(2024, 1, 1, 9, 30)), at(2024, 6, 3, 8), at(2024, 6, 3, 9)},
        {"2024-06-03 stop: known 07:50 is before the 08:00 bell, its 07:30 pre-alarm is ignored",
            at(2024, 6, 3, 7, 50), item(kKindDaily, 0, at(2024, 1, 1, 8), 1, 30), at(2024, 6, 3, 7),
            at(2024, 6, 3, 7, 50)},
        {"2024-06-03 stop: known bell at the same moment", at(2024, 6, 3, 8),
            item(kKindDaily, 0, at(2024, 1, 1, 8), 1, 30), at(2024, 6, 3, 7), at(2024, 6, 3, 8)},
        {"2024-06-03 pre-alarm beats a known bell after the main bell", at(2024, 6, 3, 8, 30),
            item(kKindDaily, 0, at(2024, 1, 1, 8), 1, 30), at(2024, 6, 3, 7), at(2024, 6, 3, 7, 30)},
        {"2024-06-03 an item dated long ago offers today's moment", OleDate(),
            item(kKindOnce, 0, at(2020, 1, 1, 10)), at(2024, 6, 3, 9), at(2024, 6, 3, 10)},
        {"2024-06-03 the start's seconds are kept", OleDate(), item(kKindDaily, 0, at(2024, 1, 1, 10, 0, 30)),
            at(2024, 6, 3, 9), at(2024, 6, 3, 10, 0, 30)},
        {"2024-06-03 a bell already past offers nothing", OleDate(), item(kKindDaily, 0, at(2024, 1, 1, 7)),
            at(2024, 6, 3, 9), OleDate()},
        {"2024-03-01 pre-alarm before midnight is past", OleDate(),
            item(kKindDaily, 0, at(2024, 1, 1, 0, 10), 1, 20), at(2024, 3, 1, 0, 0), OleDate()},
    };
    for (const Row& row : rows) {
        OleDate nextRingAt = row.known;
        offerNextRing(row.item, row.now, nextRingAt);
        EXPECT_EQ(nextRingAt.formatDateTime(), row.expected.formatDateTime()) << row.name;
        EXPECT_EQ(nextRingAt, row.expected) << row.name;
    }
    // Offers take the current day, not the tested one.
    OleDate nextRingAt;
    const AlarmRecord daily = item(kKindDaily, 0, at(2024, 1, 1, 20));
    EXPECT_TRUE(inDayPart(daily, at(2024, 12, 24), today.plusSeconds(3600), nextRingAt));
    EXPECT_EQ(nextRingAt, at(2024, 6, 3, 20));
    nextRingAt = OleDate();
    EXPECT_TRUE(inNightPart(item(kKindDaily, 0, at(2024, 1, 1, 6)), at(2024, 12, 24), today, nextRingAt));
    EXPECT_EQ(nextRingAt, at(2024, 6, 3, 6));
    nextRingAt = OleDate();
    EXPECT_FALSE(inDayPart(item(kKindDaily, 0, at(2024, 1, 1, 6)), at(2024, 12, 24), today, nextRingAt));
    EXPECT_TRUE(nextRingAt.isZero());
}

// The rules as first written: anchor days walked one by one, the n-th weekday
// looked up in a table of the day's month.
bool literalRuleFalls(const AlarmRecord& record, sys_days day)
{
    const sys_days first = record.startTime.day();
    const year_month_day date{day};
    const int weekdayOfDay = weekdayNumber(day);
    switch (record.kind) {
    case 1:
        return date.day() == year_month_day{first}.day();
    case 2:
        return (record.weekdayMask & weekdayBit(weekdayOfDay)) != 0;
    case 3:
        return true;
    case 4:
    case 5:
        return day == first;
    case 6:
        for (int i = 0; i < 7; ++i) {
            const sys_days anchor = first + days{i};
            if ((record.weekdayMask & weekdayBit(weekdayNumber(anchor))) != 0
                && (day - anchor).count() % 14 == 0) {
                return true;
            }
        }
        return false;
    default:
        if (record.kind >= 7 && record.kind <= 11) {
            const MonthTable table(year_month{date.year(), date.month()});
            const int order[] = {2, 3, 4, 5, 6, 7, 1};
            for (int w : order) {
                if ((record.weekdayMask & weekdayBit(w)) != 0
                    && table.nthWeekdayOfMonth(record.kind - 6, w) == OleDate::fromDay(day)) {
                    return true;
                }
            }
        }
        return false;
    }
}

TEST(Recurrence, RuleFallsAgreesWithTheLiteralRulesOverTwoYears)
{
    std::mt19937 random(20240229);
    std::uniform_int_distribution<int> kind(-1, 13), mask(-32768, 32767), offset(0, 730);
    const sys_days base = sys_days{year{2023} / January / 1};
    for (int n = 0; n < 250; ++n) {
        const int k = kind(random);
        const AlarmRecord record
            = item(k == 13 ? 258 : k, mask(random), OleDate::fromDay(base + days{offset(random)}, 36000));
        for (int d = 0; d < 800; ++d) {
            const sys_days day = base + days{d - 30};
            ASSERT_EQ(ruleFalls(record, OleDate::fromDay(day)), literalRuleFalls(record, day))
                << "kind " << record.kind << " mask " << record.weekdayMask << " start "
                << record.startTime.formatDate() << " day " << OleDate::fromDay(day).formatDate();
        }
    }
}

TEST(Recurrence, RingsOnIgnoresTheTimeOfDay)
{
    struct Row {
        const char* name;
        AlarmRecord item;
        OleDate day;
        bool rings;
    };
    const Row rows[] = {
        {"2024-06-03 weekly Monday 02:00", item(kKindWeekly, kMonday, at(2024, 6, 3, 2)), at(2024, 6, 3),
            true},
        {"2024-05-27 weekly Monday before its date", item(kKindWeekly, kMonday, at(2024, 6, 3, 2)),
            at(2024, 5, 27), false},
        {"2024-06-04 weekly Monday on a Tuesday", item(kKindWeekly, kMonday, at(2024, 6, 3, 2)),
            at(2024, 6, 4), false},
        {"2024-06-03 once at 23:00", item(kKindOnce, 0, at(2024, 6, 3, 23)), at(2024, 6, 3), true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ringsOn(row.item, row.day), row.rings) << row.name;
    }
}

} // namespace
} // namespace kvx
