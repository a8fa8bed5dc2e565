#include "schedule/NextAlarm.h"

#include "tests/schedule/ScheduleTestSupport.h"

#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace kvx {
namespace {

using test::at;
using test::item;

TEST(NextAlarm, TooltipTexts)
{
    struct Row {
        const char* name;
        std::vector<AlarmRecord> alarms;
        OleDate now;
        OleDate known; // nextRingAt before the hover
        std::optional<std::string> text;
        OleDate nextRingAt;
    };
    const OleDate halfSecond(0.5 / 86400);
    // Monday 2024-06-03 is today in every row.
    const Row rows[] = {
        {"2024-06-03 13:24:57 to 14:30", {item(kKindDaily, 0, at(2024, 1, 1, 14, 30))},
            at(2024, 6, 3, 13, 24, 57), OleDate(), "あと1時間5分3秒 本日14:30", at(2024, 6, 3, 14, 30)},
        {"2024-06-03 exactly two hours ahead", {item(kKindOnce, 0, at(2024, 6, 3, 12, 0))},
            at(2024, 6, 3, 10, 0), OleDate(), "あと2時間 本日12:00", at(2024, 6, 3, 12, 0)},
        {"2024-06-03 22:00 to 07:00 tomorrow", {item(kKindDaily, 0, at(2024, 1, 1, 7, 0))},
            at(2024, 6, 3, 22, 0), OleDate(), "あと9時間 明日07:00", at(2024, 6, 4, 7, 0)},
        {"2024-06-03 pre-alarm 10 minutes before 08:00", {item(kKindDaily, 0, at(2024, 1, 1, 8, 0), 1, 10)},
            at(2024, 6, 3, 6, 0), OleDate(), "あと1時間50分 本日07:50", at(2024, 6, 3, 7, 50)},
        {"2024-06-03 pre-alarm and main bell 10 minutes before 08:00",
            {item(kKindDaily, 0, at(2024, 1, 1, 8, 0), 2, 10)}, at(2024, 6, 3, 6, 0), OleDate(),
            "あと1時間50分 本日07:50", at(2024, 6, 3, 7, 50)},
        {"2024-06-03 06:00 to a daily 07:00", {item(kKindDaily, 0, at(2024, 1, 1, 7, 0))},
            at(2024, 6, 3, 6, 0), OleDate(), "あと1時間 本日07:00", at(2024, 6, 3, 7, 0)},
        {"2024-06-03 less than one second ahead", {item(kKindDaily, 0, at(2024, 1, 1, 13, 30))},
            OleDate(at(2024, 6, 3, 13, 29, 59).value() + halfSecond.value()), OleDate(),
            "アラーム中本日13:30", at(2024, 6, 3, 13, 30)},
        {"2024-06-03 59 seconds ahead", {item(kKindDaily, 0, at(2024, 1, 1, 13, 30))},
            at(2024, 6, 3, 13, 29, 1), OleDate(), "あと59秒 本日13:30", at(2024, 6, 3, 13, 30)},
        {"2024-06-03 one minute ahead", {item(kKindDaily, 0, at(2024, 1, 1, 13, 30))},
            at(2024, 6, 3, 13, 29, 0), OleDate(), "あと1分 本日13:30", at(2024, 6, 3, 13, 30)},
        {"2024-06-03 no alarm today or tomorrow", {item(kKindOnce, 0, at(2024, 6, 5, 9, 0))},
            at(2024, 6, 3, 6, 0), OleDate(), std::nullopt, OleDate()},
        {"2024-06-03 no alarms at all", {}, at(2024, 6, 3, 6, 0), OleDate(), std::nullopt, OleDate()},
        {"2024-06-04 tomorrow's bell is more than a day ahead",
            {item(kKindWeekly, kTuesday, at(2024, 1, 1, 7, 0))}, at(2024, 6, 3, 6, 0), OleDate(),
            "２４時間中のアラームはありません", at(2024, 6, 4, 7, 0)},
        {"2024-06-04 today's bell is past, tomorrow's is less than a day ahead",
            {item(kKindWeekly, kMonday | kTuesday, at(2024, 1, 1, 23, 0))}, at(2024, 6, 3, 23, 30), OleDate(),
            "あと23時間30分 明日23:00", at(2024, 6, 4, 23, 0)},
        {"2024-06-04 exactly one day ahead", {item(kKindWeekly, kTuesday, at(2024, 1, 1, 7, 0))},
            at(2024, 6, 3, 7, 0), OleDate(), "２４時間中のアラームはありません", at(2024, 6, 4, 7, 0)},
        {"2024-06-04 the pre-alarm of tomorrow's 00:10 rings tonight",
            {item(kKindWeekly, kTuesday, at(2024, 1, 1, 0, 10), 1, 20)}, at(2024, 6, 3, 23, 0), OleDate(),
            "あと50分 本日23:50", at(2024, 6, 3, 23, 50)},
        {"2024-06-04 an item dated tomorrow is looked at tomorrow",
            {item(kKindDaily, 0, at(2024, 6, 4, 8, 0))}, at(2024, 6, 3, 9, 0), OleDate(),
            "あと23時間 明日08:00", at(2024, 6, 4, 8, 0)},
        {"2024-06-03 the earliest of several",
            {item(kKindDaily, 0, at(2024, 1, 1, 15, 0)), item(kKindOnce, 0, at(2024, 6, 3, 11, 15)),
                item(kKindWeekly, kTuesday, at(2024, 1, 1, 10, 0))},
            at(2024, 6, 3, 10, 0), OleDate(), "あと1時間15分 本日11:15", at(2024, 6, 3, 11, 15)},
        {"2024-06-03 a bell known before the hover stays", {item(kKindDaily, 0, at(2024, 1, 1, 12, 0))},
            at(2024, 6, 3, 10, 0), at(2024, 6, 3, 11, 0), "あと1時間 本日11:00", at(2024, 6, 3, 11, 0)},
        {"2024-06-03 a known bell skips the tomorrow pass", {item(kKindDaily, 0, at(2024, 1, 1, 7, 0))},
            at(2024, 6, 3, 22, 0), at(2024, 6, 3, 23, 0), "あと1時間 本日23:00", at(2024, 6, 3, 23, 0)},
        {"2024-06-03 stop: the 07:30 pre-alarm of the second alarm is not seen",
            {item(kKindDaily, 0, at(2024, 1, 1, 7, 45)), item(kKindDaily, 0, at(2024, 1, 1, 8, 0), 1, 30)},
            at(2024, 6, 3, 7, 0), OleDate(), "あと45分 本日07:45", at(2024, 6, 3, 7, 45)},
        {"2024-06-03 negative pre-alarm mode never rings", {item(kKindDaily, 0, at(2024, 1, 1, 8, 0), -1, 0)},
            at(2024, 6, 3, 7, 0), OleDate(), std::nullopt, OleDate()},
    };
    for (const Row& row : rows) {
        AlarmTable table;
        for (const AlarmRecord& alarm : row.alarms) {
            table.add(alarm);
        }
        OleDate nextRingAt = row.known;
        EXPECT_EQ(nextAlarmTooltip(table, row.now, nextRingAt), row.text) << row.name;
        EXPECT_EQ(nextRingAt, row.nextRingAt) << row.name;
    }
}

TEST(NextAlarm, TextOfAKnownBell)
{
    struct Row {
        const char* name;
        OleDate nextRingAt;
        OleDate now;
        const char* text;
    };
    const Row rows[] = {
        {"2024-06-03 three parts", at(2024, 6, 3, 14, 30), at(2024, 6, 3, 13, 24, 57),
            "あと1時間5分3秒 本日14:30"},
        {"2024-06-03 hours and seconds, no minutes", at(2024, 6, 3, 14, 30), at(2024, 6, 3, 12, 29, 58),
            "あと2時間2秒 本日14:30"},
        {"2024-06-04 23 hours 59 minutes 59 seconds", at(2024, 6, 4, 12, 0), at(2024, 6, 3, 12, 0, 1),
            "あと23時間59分59秒 明日12:00"},
        {"2024-06-04 one day", at(2024, 6, 4, 12, 0), at(2024, 6, 3, 12, 0),
            "２４時間中のアラームはありません"},
        {"2024-06-03 at the bell", at(2024, 6, 3, 12, 0), at(2024, 6, 3, 12, 0), "アラーム中本日12:00"},
        {"2024-06-03 a second past the bell", at(2024, 6, 3, 12, 0), at(2024, 6, 3, 12, 0, 1),
            "アラーム中本日12:00"},
        {"2024-06-04 just past midnight is tomorrow", at(2024, 6, 4, 0, 0), at(2024, 6, 3, 23, 59),
            "あと1分 明日00:00"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(nextAlarmText(row.nextRingAt, row.now), row.text) << row.name;
    }
}

} // namespace
} // namespace kvx
