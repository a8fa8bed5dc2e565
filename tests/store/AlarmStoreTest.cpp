#include "store/AlarmStore.h"

#include "tests/schedule/ScheduleTestSupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

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

// Two computers, one data file: each save merges what the other wrote since
// this one last loaded or saved; a copy with no unsaved change takes the
// other's save in at once; a file that cannot be merged is kept aside.
TEST(AlarmStore, TwoWritersOfOneFileKeepEachOthersChanges)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    const std::string data = folder + "shared/Kalvendorix.dat";
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("shared"))));
    auto named = [](const char* message, int hour) {
        AlarmRecord alarm = item(kKindDaily, 0, at(2026, 1, 1, hour, 0));
        alarm.message = message;
        return alarm;
    };
    auto messages = [](const AlarmStore& store) {
        std::vector<std::string> texts;
        texts.reserve(static_cast<std::size_t>(store.alarms().alarmCount));
        for (int i = 0; i < store.alarms().alarmCount; ++i) {
            texts.push_back(store.alarms().alarms[static_cast<std::size_t>(i)].message);
        }
        return texts;
    };
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("a"))));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("b"))));
    Settings settingsA(folder + "a/");
    Settings settingsB(folder + "b/");
    settingsA.setDataPath(data);
    settingsB.setDataPath(data);
    AlarmStore a(settingsA);
    AlarmStore b(settingsB);
    a.load({});
    a.addAlarm(named("朝会", 9));
    a.addAlarm(named("夕礼", 17));
    ASSERT_TRUE(a.save(kNow).ok());
    b.load({});

    // Both change the tables; B saves first, A's save merges B's change.
    a.addAlarm(named("昼休み", 12));
    b.removeAlarms({1});
    b.addAlarm(named("会議", 10));
    ASSERT_TRUE(b.save(kNow).ok());
    QSignalSpy told(&a, &AlarmStore::otherWriterTakenIn);
    EXPECT_FALSE(a.takeInOtherWriter(kNow)) << "an unsaved change waits for the save";
    ASSERT_TRUE(a.save(kNow).ok());
    EXPECT_EQ(messages(a), (std::vector<std::string>{"朝会", "昼休み", "会議"}));
    EXPECT_EQ(told.count(), 1);
    EXPECT_FALSE(a.modified());

    // B holds no unsaved change: A's save is taken in at once.
    QSignalSpy changes(&b, &AlarmStore::tablesChanged);
    EXPECT_TRUE(b.takeInOtherWriter(kNow));
    EXPECT_EQ(messages(b), messages(a));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_FALSE(b.takeInOtherWriter(kNow)) << "taken in once";

    // A file cut short by the other writer is kept aside, never merged or lost.
    QFile file(QString::fromStdString(data));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray whole = file.readAll();
    ASSERT_TRUE(file.resize(whole.size() / 2));
    file.close();
    b.addAlarm(named("残業", 19));
    ASSERT_TRUE(b.save(at(2026, 1, 31, 9, 30, 5)).ok());
    const QString copy = dir.filePath(QStringLiteral("shared/Kalvendorix.dat.conflict-%1-20260131-093005"))
                             .arg(QString::fromStdString(b.computer()));
    QFile kept(copy);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly)) << copy.toStdString();
    EXPECT_EQ(kept.readAll(), whole.left(whole.size() / 2));
    EXPECT_EQ(messages(b), (std::vector<std::string>{"朝会", "昼休み", "会議", "残業"}));
}

} // namespace
} // namespace kvx
