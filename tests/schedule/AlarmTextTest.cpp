#include "schedule/AlarmText.h"

#include "tests/schedule/ScheduleTestSupport.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using test::at;
using test::item;

TEST(AlarmText, KindWords)
{
    const char* words[]
        = {"－－", "毎月", "毎週", "毎日", "一回", "ｸｲｯｸ", "隔週", "第１", "第２", "第３", "第４", "第５"};
    for (int kind = 0; kind < 12; ++kind) {
        EXPECT_EQ(kindWord(kind), words[kind]) << kind;
    }
    EXPECT_EQ(kindWord(12), "");
    EXPECT_EQ(kindWord(-1), "");
    EXPECT_EQ(kindWord(32767), "");
}

TEST(AlarmText, DescribeAlarmWithEitherWeekStart)
{
    struct Row {
        const char* name;
        AlarmRecord item;
        bool weekStartsMonday;
        const char* text;
    };
    const Row rows[] = {
        {"2024-06-03 weekly Monday and Friday, Sunday first",
            item(kKindWeekly, kMonday | kFriday, at(2024, 6, 3, 9, 5)), false,
            "09:05 2024/06/03 毎週 －月－－－金－"},
        {"2024-06-03 weekly Monday and Friday, Monday first",
            item(kKindWeekly, kMonday | kFriday, at(2024, 6, 3, 9, 5)), true,
            "09:05 2024/06/03 毎週 月－－－金－－"},
        {"2024-06-03 once with mask 0", item(kKindOnce, 0, at(2024, 6, 3, 23, 59)), false,
            "23:59 2024/06/03 一回 －－－－－－－"},
        {"2024-06-09 Sunday and Saturday, Sunday first",
            item(kKindFortnightly, kSunday | kSaturday, at(2024, 6, 9, 0, 0)), false,
            "00:00 2024/06/09 隔週 日－－－－－土"},
        {"2024-06-09 Sunday and Saturday, Monday first",
            item(kKindFortnightly, kSunday | kSaturday, at(2024, 6, 9, 0, 0)), true,
            "00:00 2024/06/09 隔週 －－－－－土日"},
        {"2024-01-31 monthly shows its letters too", item(kKindMonthly, 127, at(2024, 1, 31, 7, 30)), true,
            "07:30 2024/01/31 毎月 月火水木金土日"},
        {"2024-02-29 kind 0", item(kKindNone, 0, at(2024, 2, 29, 12, 0)), false,
            "12:00 2024/02/29 －－ －－－－－－－"},
        {"2024-02-29 kind 12 has no word", item(12, kTuesday, at(2024, 2, 29, 12, 0)), true,
            "12:00 2024/02/29  －火－－－－－"},
        {"1899-12-30 the zero date", item(kKindFifthWeek, kThursday, OleDate()), false,
            "00:00 1899/12/30 第５ －－－－木－－"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(describeAlarm(row.item, row.weekStartsMonday), row.text) << row.name;
    }
}

TEST(AlarmText, RowMarkerAroundTheCurrentMinute)
{
    struct Row {
        const char* name;
        OleDate start;
        OleDate chosenDay;
        OleDate now;
        const char* marker;
    };
    const Row rows[] = {
        {"2024-06-03 today 10:00, alarm 10:00 has rung", at(2024, 1, 1, 10, 0), at(2024, 6, 3),
            at(2024, 6, 3, 10, 0), "□"},
        {"2024-06-03 today 10:00, alarm 10:01 is to come", at(2024, 1, 1, 10, 1), at(2024, 6, 3),
            at(2024, 6, 3, 10, 0), "■"},
        {"2024-06-03 today 10:00, alarm 09:59", at(2024, 1, 1, 9, 59), at(2024, 6, 3), at(2024, 6, 3, 10, 0),
            "□"},
        {"2024-06-03 today 10:00:59, alarm 10:00:30 compares minutes", at(2024, 1, 1, 10, 0, 30),
            at(2024, 6, 3), at(2024, 6, 3, 10, 0, 10), "□"},
        {"2024-06-03 today 10:00:59, alarm 10:01", at(2024, 1, 1, 10, 1), at(2024, 6, 3),
            at(2024, 6, 3, 10, 0, 59), "■"},
        {"2024-06-02 the day before today", at(2024, 1, 1, 23, 59), at(2024, 6, 2, 12), at(2024, 6, 3, 10, 0),
            "□"},
        {"2024-06-04 the day after today", at(2024, 1, 1, 0, 0), at(2024, 6, 4), at(2024, 6, 3, 10, 0), "■"},
        {"2025-06-03 a year later", at(2024, 1, 1, 0, 0), at(2025, 6, 3), at(2024, 6, 3, 23, 59), "■"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(rowMarker(item(kKindDaily, 0, row.start), row.chosenDay, row.now), row.marker) << row.name;
    }
}

TEST(AlarmText, CalendarRowTexts)
{
    AlarmRecord record = item(kKindFortnightly, kMonday, at(2024, 6, 3, 9, 5));
    record.endTime = at(2024, 6, 3, 10, 30);
    record.message = "会議\r\n資料を持参";
    EXPECT_EQ(calendarRowTexts(record),
        (std::array<std::string, 4>{"09:05", "10:30", "隔週", "会議\r\n資料を持参"}));
    record.kind = 99;
    EXPECT_EQ(calendarRowTexts(record)[2], "");
}

} // namespace
} // namespace kvx
