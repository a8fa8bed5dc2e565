#include "store/AlarmStore.h"

#include "tests/schedule/ScheduleTestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>

namespace kvx {
namespace {

using test::at;
using test::item;

const OleDate kNow = at(2026, 1, 31, 9, 0);

// Every operation on the tables rebuilds the display order once and tells the
// views once, whatever its outcome; what it leaves marked modified is what the
// editor would offer to discard.
TEST(AlarmStore, EachOperationRebuildsTheOrderOnceAndTellsOnce)
{
    struct Row {
        const char* name;
        std::function<void(AlarmStore&, const std::string& folder)> operation;
        int tellings;
        bool modified;
        int alarmsAfter;
    };
    const AlarmRecord daily = item(kKindDaily, 0, at(2026, 1, 1, 9, 0));
    AlarmRecord timer = item(kKindQuick, 0, at(2026, 1, 31, 9, 5));
    timer.message = "3分";
    using QuickSave = AlarmStore::QuickSave;
    const Row rows[] = {
        {"add an alarm", [&](AlarmStore& s, auto&) { s.addAlarm(daily); }, 1, true, 3},
        {"change an alarm", [&](AlarmStore& s, auto&) { s.changeAlarm(1, daily); }, 1, true, 2},
        {"remove one alarm twice over",
            [](AlarmStore& s, auto&) {
                s.removeAlarms({1, 1});
            },
            1, true, 1},
        {"remove nothing", [](AlarmStore& s, auto&) { s.removeAlarms({}); }, 0, false, 2},
        {"a quick timer for the next save",
            [&](AlarmStore& s, auto&) { s.addQuickTimer(timer, kNow, QuickSave::Later); }, 1, true, 3},
        {"a quick timer saved at once",
            [&](AlarmStore& s, auto&) { s.addQuickTimer(timer, kNow, QuickSave::Now); }, 1, false, 3},
        {"a quick timer taken back from a folder that is gone",
            [&](AlarmStore& s, const std::string& folder) {
                s.settings().setDataPath(folder + "gone/x.dat");
                s.addQuickTimer(timer, kNow, QuickSave::NowOrTakeBack);
            },
            1, false, 2},
        {"the due alarm rings", [](AlarmStore& s, auto&) { ASSERT_TRUE(s.ringDueAlarm(kNow)); }, 1, false, 2},
        {"the rota",
            [](AlarmStore& s, auto&) {
                s.setRoutines(RoutineList{1, kNow, {"早番", ""}});
            },
            1, true, 2},
        {"a rescue file's data", [](AlarmStore& s, auto&) { s.replaceData({}); }, 1, true, 0},
        {"the data file loaded again", [](AlarmStore& s, auto&) { s.load({}); }, 1, false, 2},
        {"another data file",
            [](AlarmStore& s, const std::string& folder) {
                const AlarmStore::Switch result = s.switchDataFile(folder + "other.dat", {}, {});
                EXPECT_EQ(result.outcome, AlarmStore::Switch::Outcome::Switched);
            },
            1, false, 0},
        {"a data file that cannot be written",
            [](AlarmStore& s, const std::string& folder) {
                s.settings().setDataPath(folder + "gone/x.dat");
                const AlarmStore::Switch result = s.switchDataFile(folder + "other.dat", {}, {});
                EXPECT_EQ(result.outcome, AlarmStore::Switch::Outcome::SaveFailed);
            },
            1, true, 2},
        {"the same data file",
            [](AlarmStore& s, auto&) { s.switchDataFile(s.settings().dataPath(), {}, {}); }, 0, false, 2},
        {"the save", [](AlarmStore& s, auto&) { EXPECT_TRUE(s.save(kNow).ok()); }, 0, false, 2},
        {"the exit's clear", [](AlarmStore& s, auto&) { s.clear(); }, 1, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString() + "/";
        Settings settings(folder);
        settings.setDataPath(settings.defaultDataPath());
        AlarmStore store(settings);
        store.load({});
        store.addAlarm(item(kKindDaily, 0, at(2026, 1, 1, 8, 0)));
        store.addAlarm(daily);
        ASSERT_TRUE(store.save(kNow).ok());

        const int builds = store.orderBuilds();
        QSignalSpy changes(&store, &AlarmStore::tablesChanged);
        row.operation(store, folder);
        EXPECT_EQ(changes.count(), row.tellings);
        EXPECT_EQ(store.orderBuilds() - builds, row.tellings);
        EXPECT_EQ(store.modified(), row.modified);
        EXPECT_EQ(store.alarms().alarmCount, row.alarmsAfter);
        EXPECT_EQ(store.order().size(), static_cast<std::size_t>(row.alarmsAfter));
    }
}

} // namespace
} // namespace kvx
