#include "ical/ICalendar.h"

#include "core/AlarmIds.h"
#include "core/AlarmRecordCodec.h"
#include "schedule/Recurrence.h"
#include "tests/schedule/ScheduleTestSupport.h"

#include <gtest/gtest.h>
#include <libical/ical.h>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace kvx {
namespace {

using test::at;
using test::item;

constexpr const char* kZone = "Asia/Tokyo";

// The record's bytes in the data file, its last-ring times aside.
std::string bytesOf(const AlarmRecord& alarm)
{
    return alarmContentKey(alarm);
}

AlarmRecord styled(AlarmRecord alarm, std::string message)
{
    alarm.message = std::move(message);
    alarm.sound = 2;
    alarm.soundFile = "/home/user/音/ベル 100%.wav";
    alarm.endless = -1;
    alarm.midiVolume = 0x20002000;
    alarm.waveVolume = static_cast<std::int32_t>(0xFFFFFFFF);
    alarm.blink = 1;
    alarm.blinkCount = 7;
    alarm.keepWindow = 1;
    alarm.textColor = 0xFF;
    alarm.backColor = kButtonFaceColor;
    alarm.fontName = "MS Pｺﾞｼｯｸ";
    alarm.fontSize = 14;
    alarm.fontBold = -1;
    alarm.textColorIndex = 3;
    alarm.lastAlarm = at(2026, 12, 1, 9, 0);
    return alarm;
}

std::string between(const std::string& text, const std::string& from, char end = '\n')
{
    const std::size_t at = text.find(from);
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t stop = text.find(end, at + from.size());
    std::string found = text.substr(at + from.size(), stop - at - from.size());
    if (!found.empty() && found.back() == '\r') {
        found.pop_back();
    }
    return found;
}

// Every kind and bell written out as a calendar reads it, and read back as the same record.
TEST(ICalendar, EachKindAndBellIsWrittenAsARuleAndComesBackWhole)
{
    struct Row {
        const char* name;
        AlarmRecord alarm;
        const char* dtstart; // as DTSTART says, after the TZID
        const char* rrule; // "" for none
        const char* triggers; // the VALARMs' TRIGGERs, joined by spaces
    };
    const OleDate saturday = at(2026, 12, 5, 7, 30); // a Saturday
    const Row rows[] = {
        {"once, main bell", item(kKindOnce, 0, saturday), "20261205T073000", "", "PT0S"},
        {"daily, its spare weekdays kept", item(kKindDaily, kMonday | kTuesday, saturday, kPreAndMain, 10),
            "20261205T073000", "FREQ=DAILY", "PT0S -PT10M"},
        {"weekly from a Saturday on Mondays and Fridays",
            item(kKindWeekly, kMonday | kFriday, saturday, kPreOnly, 90), "20261207T073000",
            "FREQ=WEEKLY;BYDAY=MO,FR", "-PT1H30M"},
        {"monthly on the 31st", item(kKindMonthly, 0, at(2026, 12, 31, 23, 59, 59)), "20261231T235959",
            "FREQ=MONTHLY;BYMONTHDAY=31", "PT0S"},
        {"every other week, the weeks from a Saturday",
            item(kKindFortnightly, kSunday | kWednesday, saturday, kPreAndMain, 5), "20261206T073000",
            "FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,WE;WKST=SA", "PT0S -PT5M"},
        {"the first Monday", item(kKindFirstWeek, kMonday, saturday), "20261207T073000",
            "FREQ=MONTHLY;BYDAY=1MO", "PT0S"},
        {"the third Tuesday and Thursday", item(kKindThirdWeek, kTuesday | kThursday, saturday),
            "20261215T073000", "FREQ=MONTHLY;BYDAY=3TU,3TH", "PT0S"},
        {"the fifth Tuesday, months away", item(kKindFifthWeek, kTuesday, saturday), "20261229T073000",
            "FREQ=MONTHLY;BYDAY=5TU", "PT0S"},
        {"pre-alarm minutes kept while only the main bell rings", item(kKindOnce, 0, saturday, kPreNone, 15),
            "20261205T073000", "", "PT0S"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AlarmTable table;
        table.add(styled(row.alarm, "薬を飲む\r\n食後に 2 錠\r孤立した CR\nと LF"));
        const ICalendarExport out = exportICalendar(table, {"kvx-row"}, {}, kZone);
        ASSERT_EQ(out.alarms, 1) << (out.skipped.empty() ? "" : out.skipped.front());
        const std::string event = out.text.substr(out.text.find("BEGIN:VEVENT"));
        EXPECT_EQ(between(event, "DTSTART;TZID=Asia/Tokyo:"), row.dtstart);
        EXPECT_EQ(between(event, "RRULE:"), row.rrule);
        std::string triggers;
        for (std::size_t at = event.find("TRIGGER:"); at != std::string::npos;
             at = event.find("TRIGGER:", at + 1)) {
            triggers += (triggers.empty() ? "" : " ") + between(event.substr(at), "TRIGGER:");
        }
        EXPECT_EQ(triggers, row.triggers);
        EXPECT_EQ(between(event, "SUMMARY:"), "薬を飲む");
        EXPECT_NE(out.text.find("BEGIN:VTIMEZONE\r\nTZID:Asia/Tokyo"), std::string::npos);

        const ICalendarImport in = importICalendar(out.text, kZone, AlarmRecord{});
        ASSERT_EQ(in.items.size(), 1u) << (in.skipped.empty() ? in.error : in.skipped.front());
        EXPECT_EQ(in.items[0].uid, "kvx-row");
        EXPECT_EQ(bytesOf(in.items[0].record), bytesOf(table.alarms[0]));
        EXPECT_TRUE(in.items[0].record.lastAlarm.isZero()) << "last rings are this computer's";
    }
}

// What an alarm record cannot say to a calendar, and what a calendar says that
// no record can hold, with the reasons given.
TEST(ICalendar, WhatCannotBeSaidExactlyIsSkippedWithItsReason)
{
    AlarmTable table;
    table.add(item(kKindWeekly, 0, at(2026, 12, 5, 9, 0)));
    table.add(item(kKindQuick, 0, at(2026, 12, 5, 9, 0)));
    table.add(item(kKindNone, 0, at(2026, 12, 5, 9, 0)));
    AlarmRecord late = item(kKindOnce, 0, at(2026, 12, 5, 9, 0));
    late.endTime = at(2026, 12, 5, 8, 0); // ends before it starts: no DTEND
    table.add(late);
    const ICalendarExport out = exportICalendar(table, {}, {}, kZone);
    EXPECT_EQ(out.alarms, 1);
    ASSERT_EQ(out.skipped.size(), 2u) << "quick timers go unmentioned";
    EXPECT_NE(out.skipped[0].find("曜日が一つも選ばれていません"), std::string::npos);
    EXPECT_EQ(out.text.find("DTEND"), std::string::npos);

    struct Row {
        const char* name;
        const char* lines; // inside BEGIN:VEVENT ... END:VEVENT
        const char* reason; // "" when read
        int kind;
        int mask;
        const char* start;
    };
    const Row rows[] = {
        {"every 7 days", "DTSTART:20261207T090000\nRRULE:FREQ=DAILY;INTERVAL=7", "", kKindWeekly, kMonday,
            "2026-12-07"},
        {"every 14 days", "DTSTART:20261207T090000\nRRULE:FREQ=DAILY;INTERVAL=14", "", kKindFortnightly,
            kMonday, "2026-12-07"},
        {"every other week from Monday weeks",
            "DTSTART:20261209T090000\nRRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=WE,FR", "", kKindFortnightly,
            kWednesday | kFriday, "2026-12-07"},
        {"every other week starting after a day of its own week",
            "DTSTART:20261211T090000\nRRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=WE,FR", "始まり", 0, 0, ""},
        {"weekly without BYDAY", "DTSTART:20261210T090000\nRRULE:FREQ=WEEKLY", "", kKindWeekly, kThursday,
            "2026-12-10"},
        {"UTC, taken to the local zone", "DTSTART:20261210T230000Z", "", kKindOnce, 0, "2026-12-11"},
        {"yearly", "DTSTART:20261210T090000\nRRULE:FREQ=YEARLY", "毎年", 0, 0, ""},
        {"a count", "DTSTART:20261210T090000\nRRULE:FREQ=DAILY;COUNT=3", "COUNT", 0, 0, ""},
        {"an end", "DTSTART:20261210T090000\nRRULE:FREQ=DAILY;UNTIL=20270101T000000Z", "UNTIL", 0, 0, ""},
        {"the last Friday", "DTSTART:20261225T090000\nRRULE:FREQ=MONTHLY;BYDAY=-1FR", "最終週", 0, 0, ""},
        {"every three weeks", "DTSTART:20261210T090000\nRRULE:FREQ=WEEKLY;INTERVAL=3", "3 週", 0, 0, ""},
        {"dates only", "DTSTART:20261210T090000\nRDATE:20261224T090000", "RDATE", 0, 0, ""},
        {"an exception", "DTSTART:20261210T090000\nRRULE:FREQ=DAILY\nEXDATE:20261211T090000", "EXDATE", 0, 0,
            ""},
        {"all day", "DTSTART;VALUE=DATE:20261210", "終日", 0, 0, ""},
        {"a zone nobody knows", "DTSTART;TZID=Mars/Olympus:20261210T090000", "Mars/Olympus", 0, 0, ""},
        {"a start off its rule", "DTSTART:20261210T090000\nRRULE:FREQ=MONTHLY;BYMONTHDAY=11", "開始日", 0, 0,
            ""},
        {"text code page 932 cannot hold", "DTSTART:20261210T090000\nSUMMARY:会議 😀", "932", 0, 0, ""},
        {"one day of a series moved", "DTSTART:20261217T100000\nRECURRENCE-ID:20261217T090000", "一回だけ", 0,
            0, ""},
        {"a reminder after the start",
            "DTSTART:20261210T090000\nBEGIN:VALARM\nTRIGGER:PT5M\nACTION:DISPLAY\n"
            "DESCRIPTION:x\nEND:VALARM",
            "開始の後", 0, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string text
            = std::string("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//test//EN\nBEGIN:VEVENT\nUID:u1\n")
            + row.lines + "\nEND:VEVENT\nEND:VCALENDAR\n";
        const ICalendarImport in = importICalendar(text, kZone, AlarmRecord{});
        EXPECT_TRUE(in.error.empty()) << in.error;
        if (*row.reason != '\0') {
            EXPECT_TRUE(in.items.empty());
            ASSERT_EQ(in.skipped.size(), 1u);
            EXPECT_NE(in.skipped[0].find(row.reason), std::string::npos) << in.skipped[0];
            continue;
        }
        ASSERT_EQ(in.items.size(), 1u) << (in.skipped.empty() ? "" : in.skipped.front());
        const AlarmRecord& got = in.items[0].record;
        EXPECT_EQ(got.kind, row.kind);
        EXPECT_EQ(got.weekdayMask, row.mask);
        const std::chrono::year_month_day day = got.startTime.ymd();
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02u-%02u", static_cast<int>(day.year()),
            static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
        EXPECT_STREQ(date, row.start);
    }
}

TEST(ICalendar, AFileThatIsNoCalendarIsToldAsAWhole)
{
    const std::string whole = "BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nUID:a\nDTSTART:20261210T090000\n"
                              "SUMMARY:朝会\nEND:VEVENT\nEND:VCALENDAR\n";
    const std::pair<std::string, bool> files[] = {
        {"", false},
        {"not a calendar at all", false},
        {std::string("BEGIN:VCALENDAR\0\nEND:VCALENDAR\n", 31), false},
        {std::string(kMaxICalendarBytes + 1, ' '), false},
        {whole.substr(0, whole.size() / 2), false}, // cut short
        {whole, true},
    };
    for (const auto& [text, readable] : files) {
        const ICalendarImport in = importICalendar(text, kZone, AlarmRecord{});
        EXPECT_EQ(in.error.empty(), readable) << text.substr(0, 40);
    }
}

// The rota goes out as all-day events that block no time, and never comes back in.
TEST(ICalendar, TheRotaIsWrittenAsAllDayEventsOnly)
{
    RoutineList rota;
    rota.routineCount = 3;
    rota.routineStart = at(2026, 12, 1);
    rota.routineNames = {"早番", "", "遅番", ""};
    const ICalendarExport out = exportICalendar({}, {}, rota, kZone);
    EXPECT_EQ(out.rota, 2);
    EXPECT_NE(out.text.find("DTSTART;VALUE=DATE:20261203\r\nRRULE:FREQ=DAILY;INTERVAL=3"), std::string::npos);
    EXPECT_NE(out.text.find("TRANSP:TRANSPARENT"), std::string::npos);
    EXPECT_EQ(out.text.find("VALARM"), std::string::npos);
    const ICalendarImport in = importICalendar(out.text, kZone, AlarmRecord{});
    EXPECT_TRUE(in.items.empty());
    EXPECT_EQ(in.skipped.size(), 2u);
}

// For random alarms, libical's own expansion of the written rule over three
// years rings on exactly the days the program's day rule does.
TEST(ICalendar, TheWrittenRuleRingsOnTheProgramsDays)
{
    std::mt19937 random(20261210);
    const int kinds[] = {kKindMonthly, kKindWeekly, kKindDaily, kKindOnce, kKindFortnightly, kKindFirstWeek,
        kKindSecondWeek, kKindThirdWeek, kKindFourthWeek, kKindFifthWeek};
    for (int round = 0; round < 300; ++round) {
        const int kind = kinds[random() % std::size(kinds)];
        const int mask = static_cast<int>(random() % 127) + 1;
        const OleDate start = at(2024 + static_cast<int>(random() % 4), 1 + static_cast<int>(random() % 12),
            1 + static_cast<int>(random() % 31 % 28 + random() % 4), static_cast<int>(random() % 24));
        AlarmTable table;
        table.add(item(kind, mask, start));
        const ICalendarExport out = exportICalendar(table, {"kvx-p"}, {}, "");
        ASSERT_EQ(out.alarms, 1);
        const std::string dtstart = between(out.text, "DTSTART:");
        const std::string rrule = between(out.text, "RRULE:");
        const std::chrono::sys_days first = start.day();
        const std::chrono::sys_days last = first + std::chrono::days{3 * 365};
        std::set<int> expected;
        for (std::chrono::sys_days day = first; day <= last; day += std::chrono::days{1}) {
            if (ringsOn(table.alarms[0], OleDate::fromDay(day))) {
                expected.insert(static_cast<int>(day.time_since_epoch().count()));
            }
        }
        std::set<int> expanded;
        const icaltimetype begin = icaltime_from_string(dtstart.c_str());
        if (rrule.empty()) {
            expanded.insert(static_cast<int>(
                (std::chrono::sys_days{std::chrono::year{begin.year} / begin.month / begin.day})
                    .time_since_epoch()
                    .count()));
        } else {
            icalrecur_iterator* it
                = icalrecur_iterator_new(icalrecurrencetype_from_string(rrule.c_str()), begin);
            for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t);
                 t = icalrecur_iterator_next(it)) {
                const std::chrono::sys_days day{std::chrono::year{t.year} / t.month / t.day};
                if (day > last) {
                    break;
                }
                expanded.insert(static_cast<int>(day.time_since_epoch().count()));
            }
            icalrecur_iterator_free(it);
        }
        ASSERT_EQ(expanded, expected)
            << "kind " << kind << " mask " << mask << " " << dtstart << " " << rrule;
    }
}

// A whole table out and into an empty one: the same records byte for byte and the same identities.
TEST(ICalendar, AWholeTableComesBackWithItsIdentities)
{
    AlarmTable table;
    std::vector<std::string> ids;
    std::mt19937 random(7);
    for (int i = 0; i < 500; ++i) {
        const int kinds[]
            = {kKindMonthly, kKindWeekly, kKindDaily, kKindOnce, kKindFortnightly, kKindThirdWeek};
        AlarmRecord alarm
            = styled(item(kinds[random() % 6], static_cast<int>(random() % 127) + 1,
                         at(2026, 1 + static_cast<int>(random() % 12), 1 + static_cast<int>(random() % 28),
                             static_cast<int>(random() % 24), static_cast<int>(random() % 60)),
                         static_cast<int>(random() % 3), static_cast<int>(random() % 120)),
                "アラーム " + std::to_string(i));
        table.add(
            i % 7 == 0 ? item(alarm.kind, alarm.weekdayMask, alarm.startTime) : alarm); // some with no text
        ids.push_back(newAlarmId());
    }
    const ICalendarExport out = exportICalendar(table, ids, {}, kZone);
    const ICalendarImport in = importICalendar(out.text, kZone, AlarmRecord{});
    ASSERT_EQ(in.items.size(), 500u) << (in.skipped.empty() ? in.error : in.skipped.front());
    for (std::size_t i = 0; i < in.items.size(); ++i) {
        EXPECT_EQ(in.items[i].uid, ids[i]);
        EXPECT_EQ(bytesOf(in.items[i].record), bytesOf(table.alarms[i])) << i;
    }
}

} // namespace
} // namespace kvx
