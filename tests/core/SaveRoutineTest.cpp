#include "core/SaveRoutine.h"

#include "core/ProfileFile.h"
#include "core/ViewState.h"
#include "tests/core/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kvx {
namespace {

using test::TempDir;

const OleDate kNow = OleDate::fromCivil(2026, 12, 8, 9, 30);

struct Program {
    explicit Program(const TempDir& dir)
        : settings(dir.folder())
        , saver(tables, settings, dataFile)
    {
        settings.setDataPath(settings.defaultDataPath());
    }
    SharedTables tables;
    Settings settings;
    DataFile dataFile;
    SaveRoutine saver;
};

AlarmRecord alarmSaying(const std::string& message)
{
    AlarmRecord alarm;
    alarm.kind = kKindDaily;
    alarm.startTime = OleDate::fromCivil(2026, 12, 1, 7, 30);
    alarm.message = message;
    return alarm;
}

TEST(SaveRoutine, NothingIsWrittenFromTablesThatWereNeverLoaded)
{
    TempDir dir;
    Program program(dir);
    // The user's file and settings as a previous run left them.
    Program earlier(dir);
    earlier.tables.alarms.add(alarmSaying("朝会"));
    earlier.tables.window.formPosition = "3";
    earlier.saver.setTablesLoaded(true);
    ASSERT_TRUE(earlier.saver.save(kNow).ok());
    const std::string data = test::readFileBytes(program.settings.dataPath());
    const std::string ini = test::readFileBytes(program.settings.mainFile());

    int hooks = 0;
    program.saver.addHook([&hooks] { ++hooks; });
    const SaveResult result = program.saver.save(kNow);

    EXPECT_FALSE(result.ran);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(hooks, 0);
    EXPECT_EQ(test::readFileBytes(program.settings.dataPath()), data);
    EXPECT_EQ(test::readFileBytes(program.settings.mainFile()), ini);
}

TEST(SaveRoutine, HooksCopyWorkingStateInBeforeTheDataFileAndThenTheSettingsAreWritten)
{
    TempDir dir;
    Program program(dir);
    program.saver.setTablesLoaded(true);
    std::vector<std::string> order;
    program.saver.addHook([&] {
        order.emplace_back("memo grid");
        program.tables.memos.lists[MemoLists::kMemo] = {"牛乳", ""};
    });
    const int second = program.saver.addHook([&] {
        order.emplace_back("editor");
        EXPECT_FALSE(std::filesystem::exists(program.settings.dataPath())) << "hooks run before the write";
    });
    program.tables.window.formPosition = "2";

    const SaveResult result = program.saver.save(kNow);

    EXPECT_TRUE(result.ok());
    EXPECT_EQ(order, (std::vector<std::string>{"memo grid", "editor"}));
    SharedTables loaded;
    ASSERT_TRUE(DataFile().load(loaded, program.settings.dataPath(), {}));
    EXPECT_EQ(loaded.memos.lists[MemoLists::kMemo], (std::vector<std::string>{"牛乳", ""}));
    EXPECT_EQ(ProfileFile(program.settings.mainFile()).readString(kSettingsSection, "FORMFLAG", "?"), "2");

    program.saver.removeHook(second);
    order.clear();
    program.saver.save(kNow);
    EXPECT_EQ(order, std::vector<std::string>{"memo grid"});
}

TEST(SaveRoutine, EachFailureIsReportedAndTheMainSettingsFileIsStillWritten)
{
    TempDir dir;
    Program program(dir);
    program.saver.setTablesLoaded(true);
    // The data file and the data-side settings file both live in a folder
    // that is gone (an unmounted drive).
    program.settings.setDataPath(dir.path("no such folder/Kalvendorix.dat"));
    program.tables.window.formPosition = "3";

    const SaveResult result = program.saver.save(kNow);

    EXPECT_TRUE(result.ran);
    EXPECT_FALSE(result.dataFileSaved);
    EXPECT_FALSE(result.settingsSaved);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(ProfileFile(program.settings.mainFile()).readString(kSettingsSection, "FORMFLAG", "?"), "3");
}

TEST(SaveRoutine, AHookMayRemoveItselfWhileTheHooksRun)
{
    TempDir dir;
    Program program(dir);
    program.saver.setTablesLoaded(true);
    int runs = 0;
    int id = 0;
    id = program.saver.addHook([&] {
        ++runs;
        program.saver.removeHook(id);
    });
    program.saver.save(kNow);
    program.saver.save(kNow);
    EXPECT_EQ(runs, 1);
}

TEST(CalendarState, NeighbouringMonthsRollOverTheYear)
{
    struct Row {
        int year, month;
        int prevYear, prevMonth, nextYear, nextMonth;
    };
    for (const Row& row : {Row{2026, 1, 2025, 12, 2026, 2}, Row{2026, 12, 2026, 11, 2027, 1},
             Row{2026, 6, 2026, 5, 2026, 7}, Row{1900, 1, 1899, 12, 1900, 2}}) {
        CalendarState state;
        state.showMonth(row.year, row.month);
        EXPECT_EQ(state.shownYear, row.year);
        EXPECT_EQ(state.shownMonth, row.month);
        EXPECT_EQ(state.prevYear, row.prevYear) << row.year << "/" << row.month;
        EXPECT_EQ(state.prevMonth, row.prevMonth) << row.year << "/" << row.month;
        EXPECT_EQ(state.nextYear, row.nextYear) << row.year << "/" << row.month;
        EXPECT_EQ(state.nextMonth, row.nextMonth) << row.year << "/" << row.month;
    }
}

TEST(CalendarState, SelectingADateShowsItsMonthAndDropsTheTime)
{
    CalendarState state;
    state.selectDate(OleDate::fromCivil(2028, 2, 29, 23, 59));
    EXPECT_EQ(state.shownYear, 2028);
    EXPECT_EQ(state.shownMonth, 2);
    EXPECT_EQ(state.selectedDay, 29);
    EXPECT_EQ(state.selectedDate, OleDate::fromCivil(2028, 2, 29));
    EXPECT_EQ(state.nextMonth, 3);
}

} // namespace
} // namespace kvx
