#include "schedule/TableMerge.h"

#include "tests/schedule/ScheduleTestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace kvx {
namespace {

using test::at;

// An alarm known by its message; "会議@9" has rung at 9:00, "会議^8" its
// pre-alarm at 8:00 (the last-ring times are no part of an alarm's identity).
AlarmRecord alarmOf(const std::string& text)
{
    AlarmRecord alarm;
    alarm.kind = kKindDaily;
    alarm.startTime = at(2026, 12, 1, 9, 0);
    alarm.message = text.substr(0, text.find_first_of("@^"));
    if (const auto mark = text.find_first_of("@^"); mark != std::string::npos) {
        const OleDate rung = at(2026, 12, 10, std::stoi(text.substr(mark + 1)), 0);
        (text[mark] == '@' ? alarm.lastAlarm : alarm.lastPreAlarm) = rung;
    }
    return alarm;
}

struct Side {
    Side(std::vector<std::string> alarmTexts, std::vector<std::string> memoTexts = {}, int rota = 0)
        : alarms(std::move(alarmTexts))
        , memos(std::move(memoTexts))
        , rotaCount(rota)
    {
    }
    std::vector<std::string> alarms;
    std::vector<std::string> memos; // the first list
    int rotaCount;
};

SharedTables tablesOf(const Side& side)
{
    SharedTables tables;
    for (const std::string& text : side.alarms) {
        tables.alarms.add(alarmOf(text));
    }
    tables.memos.lists[MemoLists::kMemo] = side.memos;
    tables.memos.lists[MemoLists::kMemo].emplace_back();
    tables.routines.routineCount = side.rotaCount;
    tables.routines.routineNames.assign(static_cast<std::size_t>(side.rotaCount) + 1, "番");
    return tables;
}

std::vector<std::string> describe(const SharedTables& tables)
{
    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(tables.alarms.alarmCount));
    for (int i = 0; i < tables.alarms.alarmCount; ++i) {
        const AlarmRecord& alarm = tables.alarms.alarms[static_cast<std::size_t>(i)];
        std::string text = alarm.message;
        if (alarm.lastAlarm != OleDate()) {
            text += "@" + std::to_string(alarm.lastAlarm.hour());
        }
        if (alarm.lastPreAlarm != OleDate()) {
            text += "^" + std::to_string(alarm.lastPreAlarm.hour());
        }
        texts.push_back(text);
    }
    return texts;
}

TEST(TableMerge, EachSidesChangesAreKeptAndTheOtherIsTold)
{
    struct Row {
        const char* name;
        Side base, ours, theirs;
        std::vector<std::string> alarms, memos;
        int rotaCount;
        int fromTheirs, removedByTheirs, changedOnBoth, memosFromTheirs;
        bool rotaSetAside;
    };
    const Row rows[] = {
        {"nothing changed", {{"朝"}}, {{"朝"}}, {{"朝"}}, {"朝"}, {}, 0, 0, 0, 0, 0, false},
        {"an alarm added on each side", {{"朝"}}, {{"朝", "昼"}}, {{"朝", "夜"}}, {"朝", "昼", "夜"}, {}, 0,
            1, 0, 0, 0, false},
        {"the same alarm added on both sides is kept once", {{"朝"}}, {{"朝", "昼"}}, {{"昼", "朝"}},
            {"朝", "昼"}, {}, 0, 0, 0, 0, 0, false},
        {"removed by them, untouched by us", {{"朝", "昼"}}, {{"朝", "昼"}}, {{"昼"}}, {"昼"}, {}, 0, 0, 1, 0,
            0, false},
        {"removed by us, untouched by them", {{"朝", "昼"}}, {{"昼"}}, {{"朝", "昼"}}, {"昼"}, {}, 0, 0, 0, 0,
            0, false},
        {"changed by them only", {{"朝", "昼"}}, {{"朝", "昼"}}, {{"朝", "昼食"}}, {"朝", "昼食"}, {}, 0, 1,
            1, 0, 0, false},
        {"changed on both sides: both versions", {{"朝"}}, {{"朝会"}}, {{"朝礼"}}, {"朝会", "朝礼"}, {}, 0, 1,
            0, 1, 0, false},
        {"one of two equal alarms removed", {{"朝", "朝"}}, {{"朝", "朝", "夜"}}, {{"朝"}}, {"朝", "夜"}, {},
            0, 0, 1, 0, 0, false},
        {"the later last-ring times win", {{"朝", "昼"}}, {{"朝@9", "昼^8"}}, {{"朝@7", "昼@12"}},
            {"朝@9", "昼@12^8"}, {}, 0, 0, 0, 0, 0, false},
        {"memos: theirs in order, then ours added", {{}, {"牛乳", "卵"}}, {{}, {"牛乳", "卵", "パン"}},
            {{}, {"卵", "電池"}}, {}, {"卵", "電池", "パン"}, 0, 0, 0, 0, 2, false},
        {"the rota they changed", {{}, {}, 2}, {{}, {}, 2}, {{}, {}, 3}, {}, {}, 3, 0, 0, 0, 0, false},
        {"the rota changed on both sides: ours, theirs set aside", {{}, {}, 2}, {{}, {}, 4}, {{}, {}, 3}, {},
            {}, 4, 0, 0, 0, 0, true},
    };
    for (const Row& row : rows) {
        const TableMerge merge = mergeTables(tablesOf(row.base), tablesOf(row.ours), tablesOf(row.theirs));
        EXPECT_EQ(describe(merge.merged), row.alarms) << row.name;
        std::vector<std::string> memos = row.memos;
        memos.emplace_back();
        EXPECT_EQ(merge.merged.memos.lists[MemoLists::kMemo], memos) << row.name;
        EXPECT_EQ(merge.merged.routines.routineCount, row.rotaCount) << row.name;
        EXPECT_EQ(merge.alarmsFromTheirs, row.fromTheirs) << row.name;
        EXPECT_EQ(merge.alarmsRemovedByTheirs, row.removedByTheirs) << row.name;
        EXPECT_EQ(merge.changedOnBothSides, row.changedOnBoth) << row.name;
        EXPECT_EQ(merge.memosFromTheirs, row.memosFromTheirs) << row.name;
        EXPECT_EQ(merge.theirRotaSetAside.has_value(), row.rotaSetAside) << row.name;
    }
}

} // namespace
} // namespace kvx
