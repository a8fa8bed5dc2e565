#include "schedule/QuickCommands.h"

#include "schedule/EditorDraft.h"
#include "tests/schedule/ScheduleTestSupport.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace kvx {
namespace {

using test::at;
using test::item;
using test::tableOf;

AlarmRecord rungAlarm()
{
    AlarmRecord rung = item(kKindWeekly, 1 | 16, at(2024, 6, 3, 9, 5), 2, 10);
    rung.lastAlarm = at(2024, 6, 3, 9, 5);
    rung.lastPreAlarm = at(2024, 6, 3, 8, 55);
    rung.message = "会議\r\n三階";
    rung.blink = 1;
    rung.sound = 1;
    rung.soundFile = "/home/u/bell.wav";
    rung.endless = 1;
    rung.midiVolume = 0x40004000;
    rung.waveVolume = 0x7FFF7FFF;
    rung.keepWindow = 1;
    rung.blinkCount = 4;
    rung.textColor = 255;
    rung.backColor = 65280;
    rung.fontName = "IPAGothic";
    rung.fontSize = 20;
    rung.fontItalic = -1;
    rung.textColorIndex = 4;
    rung.backColorIndex = 2;
    return rung;
}

TEST(QuickCommands, SnoozeRingsAgainWithTheRungAlarmsFields)
{
    struct Row {
        const char* name;
        OleDate now;
        int minutes;
        OleDate due;
        int weekdayBit;
    };
    const Row rows[] = {
        {"2024-06-03 09:05:20 plus 5 keeps the seconds", at(2024, 6, 3, 9, 5, 20), 5,
            at(2024, 6, 3, 9, 10, 20), 1},
        {"2024-06-03 23:50:59 plus 30 is Tuesday", at(2024, 6, 3, 23, 50, 59), 30, at(2024, 6, 4, 0, 20, 59),
            2},
        {"2024-06-09 (Sunday) plus 1", at(2024, 6, 9, 12, 0), 1, at(2024, 6, 9, 12, 1), 64},
    };
    for (const Row& row : rows) {
        const AlarmRecord rung = rungAlarm();
        const AlarmRecord snoozed = snoozeRecord(rung, row.now, row.minutes);
        EXPECT_EQ(snoozed.startTime.formatDateTime() + snoozed.startTime.formatTimeSeconds(),
            row.due.formatDateTime() + row.due.formatTimeSeconds())
            << row.name;
        EXPECT_EQ(snoozed.endTime, snoozed.startTime) << row.name;
        EXPECT_EQ(snoozed.kind, kKindQuick) << row.name;
        EXPECT_EQ(snoozed.weekdayMask, row.weekdayBit) << row.name;
        EXPECT_TRUE(snoozed.lastAlarm.isZero() && snoozed.lastPreAlarm.isZero()) << row.name;
        EXPECT_EQ(snoozed.preMode, 0) << row.name;
        EXPECT_EQ(snoozed.preMinutes, 0) << row.name;
        // Everything the ring showed and played comes again.
        AlarmRecord carried = snoozed;
        carried.startTime = rung.startTime;
        carried.endTime = rung.endTime;
        carried.kind = rung.kind;
        carried.weekdayMask = rung.weekdayMask;
        carried.lastAlarm = rung.lastAlarm;
        carried.lastPreAlarm = rung.lastPreAlarm;
        carried.preMode = rung.preMode;
        carried.preMinutes = rung.preMinutes;
        EXPECT_EQ(carried, rung) << row.name;
    }
}

TEST(QuickCommands, SnoozeChoices)
{
    const std::pair<int, int> rows[]
        = {{1, 1}, {3, 3}, {5, 5}, {10, 10}, {15, 15}, {30, 30}, {0, 5}, {2, 5}, {20, 5}, {-5, 5}, {1440, 5}};
    for (const auto& [stored, shown] : rows) {
        EXPECT_EQ(snoozeMinutesOr(stored), shown) << stored;
    }
}

TEST(QuickCommands, QuickMinutesAreWholeNumbersFromOneTo1440)
{
    const std::pair<const char*, std::optional<int>> rows[]
        = {{"1", 1}, {"20", 20}, {"1440", 1440}, {"0020", 20}, {"0", std::nullopt}, {"1441", std::nullopt},
            {"", std::nullopt}, {"-5", std::nullopt}, {"+5", std::nullopt}, {"5x", std::nullopt},
            {"2.5", std::nullopt}, {" 5", std::nullopt}, {"５", std::nullopt}, {"99999999999", std::nullopt}};
    for (const auto& [text, minutes] : rows) {
        EXPECT_EQ(quickMinutes(text), minutes) << text;
    }
}

TEST(QuickCommands, IsoDays)
{
    const std::pair<const char*, std::optional<OleDate>> rows[]
        = {{"2026-12-09", at(2026, 12, 9)}, {"2024-02-29", at(2024, 2, 29)}, {"2026-02-29", std::nullopt},
            {"2026-13-01", std::nullopt}, {"2026-12-9", std::nullopt}, {"2026/12/09", std::nullopt},
            {"20261209", std::nullopt}, {"2026-12-09x", std::nullopt}, {"", std::nullopt}};
    for (const auto& [text, day] : rows) {
        EXPECT_EQ(isoDay(text), day) << text;
    }
}

TEST(QuickCommands, RefusalsOfAQuickTimer)
{
    AlarmTable full;
    full.alarmCount = AlarmTable::kMaxAlarms;
    full.alarms.resize(AlarmTable::kMaxAlarms + 1);
    AlarmTable oneShort;
    oneShort.alarmCount = AlarmTable::kMaxAlarms - 1;
    oneShort.alarms.resize(AlarmTable::kMaxAlarms);
    struct Row {
        const char* name;
        const AlarmTable* table;
        std::string message;
        std::optional<std::string> problem;
    };
    const AlarmTable empty;
    const Row rows[] = {
        {"empty table, kana", &empty, "お茶", std::nullopt},
        {"one short of full", &oneShort, "", std::nullopt},
        {"full", &full, "お茶", kTableFullMessage},
        {"emoji", &empty, "お茶🍵", kMessageCp932Message},
        {"hangul", &empty, "차", kMessageCp932Message},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(quickTimerProblem(*row.table, row.message), row.problem) << row.name;
    }
}

TEST(QuickCommands, QuickTimerFromTheRememberedDefaults)
{
    AlarmDefaults defaults;
    defaults.message = "remembered";
    defaults.sound = 1;
    defaults.soundFile = "/s/bell.mp3";
    defaults.blink = 1;
    defaults.blinkCount = 3;
    defaults.fontName = "IPAGothic";
    defaults.preMode = 2;
    defaults.preMinutes = 15;
    const OleDate now = at(2026, 12, 9, 21, 40, 7);
    for (const auto& [message, shown] : {std::pair<std::string, std::string>{"", kQuickTimerMessage},
             std::pair<std::string, std::string>{"お茶", "お茶"}}) {
        const AlarmRecord record = quickTimerFromDefaults(defaults, now, 20, message, 11, 22);
        EXPECT_EQ(record.message, shown);
        EXPECT_EQ(record.startTime.formatTimeSeconds(), "22:00:07");
        EXPECT_EQ(record.kind, kKindQuick);
        EXPECT_EQ(record.sound, 1);
        EXPECT_EQ(record.soundFile, "/s/bell.mp3");
        EXPECT_EQ(record.blink, 1);
        EXPECT_EQ(record.blinkCount, 3);
        EXPECT_EQ(record.fontName, "IPAGothic");
        EXPECT_EQ(record.preMode, 0);
        EXPECT_EQ(record.midiVolume, 11);
        EXPECT_EQ(record.waveVolume, 22);
    }
}

TEST(QuickCommands, ListLinesAreTheEditorsRowsWithTheirMessages)
{
    AlarmRecord morning = item(kKindDaily, 0, at(2024, 6, 1, 8, 0));
    morning.message = "朝\r\n二行目";
    AlarmRecord meeting = item(kKindWeekly, 1 | 16, at(2024, 6, 3, 9, 5));
    meeting.message = "会議\tA";
    AlarmRecord tomorrow = item(kKindOnce, 0, at(2024, 6, 4, 7, 59));
    tomorrow.message = "明日";
    const AlarmTable table = tableOf({meeting, morning, tomorrow});
    // Monday 2024-06-03 08:30.
    const OleDate now = at(2024, 6, 3, 8, 30);
    struct Row {
        const char* name;
        std::optional<OleDate> day;
        bool monday;
        std::string text;
    };
    const Row rows[] = {
        {"every alarm, marked for today", std::nullopt, false,
            "□07:59 2024/06/04 一回 －－－－－－－\t明日\n"
            "□08:00 2024/06/01 毎日 －－－－－－－\t朝 二行目\n"
            "■09:05 2024/06/03 毎週 －月－－－金－\t会議 A\n"},
        {"weeks from Monday", std::nullopt, true,
            "□07:59 2024/06/04 一回 －－－－－－－\t明日\n"
            "□08:00 2024/06/01 毎日 －－－－－－－\t朝 二行目\n"
            "■09:05 2024/06/03 毎週 月－－－金－－\t会議 A\n"},
        {"2024-06-03: day part, then the night part", at(2024, 6, 3), false,
            "■09:05 2024/06/03 毎週 －月－－－金－\t会議 A\n"
            "□07:59 2024/06/04 一回 －－－－－－－\t明日\n"
            "□08:00 2024/06/01 毎日 －－－－－－－\t朝 二行目\n"},
        {"2024-05-01: before every alarm", at(2024, 5, 1), false, ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(alarmListText(table, row.monday, row.day, now), row.text) << row.name;
    }
}

TEST(QuickCommands, NextLineTellsTheTipAndTheMessage)
{
    AlarmRecord daily = item(kKindDaily, 0, at(2024, 1, 1, 14, 30));
    daily.message = "お茶";
    AlarmRecord early = item(kKindOnce, 0, at(2024, 6, 3, 14, 0));
    early.message = "先";
    struct Row {
        const char* name;
        std::vector<AlarmRecord> alarms;
        OleDate now;
        std::string line;
    };
    const Row rows[] = {
        {"2024-06-03 13:24:57", {daily}, at(2024, 6, 3, 13, 24, 57), "あと1時間5分3秒 本日14:30\tお茶\n"},
        {"2024-06-03 the earlier of two, listed second", {daily, early}, at(2024, 6, 3, 13, 0),
            "あと1時間 本日14:00\t先\n"},
        {"2024-06-03 after both: tomorrow's daily", {daily, early}, at(2024, 6, 3, 22, 30),
            "あと16時間 明日14:30\tお茶\n"},
        {"2024-06-03 nothing today or tomorrow", {early}, at(2024, 6, 3, 15, 0),
            "２４時間中のアラームはありません\n"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(nextAlarmLine(tableOf(row.alarms), row.now), row.line) << row.name;
    }
}

} // namespace
} // namespace kvx
