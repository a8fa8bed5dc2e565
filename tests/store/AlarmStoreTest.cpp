#include "store/AlarmStore.h"

#include "core/DataFileCodec.h"
#include "core/PosixFileSink.h"
#include "tests/schedule/ScheduleTestSupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
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
    EXPECT_TRUE(a.takeInOtherWriter(kNow)) << "merged with the unsaved change";
    EXPECT_TRUE(a.modified()) << "the unsaved change is still unsaved";
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

// A data file the save writes, except while `failing`: a disk that is full.
class DiskThatFills final : public FileSink {
public:
    bool failing = false;
    bool open(const std::string& path) override
    {
        errno = ENOSPC;
        return !failing && m_sink.open(path);
    }
    bool write(std::string_view bytes) override { return m_sink.write(bytes); }
    bool commit() override { return m_sink.commit(); }
    void discard() override { m_sink.discard(); }

private:
    PosixFileSink m_sink;
};

// Two copies on one data file, where saves meet: nothing either side holds is
// lost, a save that cannot hold both is refused whole, a failed save leaves
// the copy listening, and a sync service's conflict copies are merged in.
TEST(AlarmStore, ConcurrentWritersNeverLoseAnAlarm)
{
    struct Writers {
        std::string folder;
        std::string data;
        AlarmStore& a;
        AlarmStore& b;
        DiskThatFills& bDisk;
    };
    struct Row {
        const char* name;
        int fillers; // alarms beside "朝会" in the file both loaded
        std::function<void(Writers&)> act;
        std::vector<std::string> inFile; // every one of them in the file
        std::vector<std::string> notInFile;
        std::vector<std::string> inB;
        bool bModified;
    };
    const auto named = [](const std::string& message) {
        AlarmRecord alarm = item(kKindDaily, 0, at(2026, 1, 1, 9, 0));
        alarm.message = message;
        return alarm;
    };
    // The file a sync service set aside: the base, less `removed`, with `added`.
    const auto conflictCopy = [&named](Writers& w, const std::string& name, const std::string& added,
                                  const std::string& removed) {
        SharedTables theirs;
        theirs.alarms = w.b.alarms();
        for (int i = theirs.alarms.alarmCount - 1; i >= 0; --i) {
            if (theirs.alarms.alarms[static_cast<std::size_t>(i)].message == removed) {
                theirs.alarms.remove(i);
            }
        }
        theirs.alarms.add(named(added));
        QFile file(QString::fromStdString(w.folder + name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(encodeDataFile(theirs)));
    };
    const Row rows[] = {
        {"a merge past the table's size is refused whole", AlarmTable::kMaxAlarms - 2,
            [&named](Writers& w) {
                w.a.addAlarm(named("A"));
                ASSERT_TRUE(w.a.save(kNow).ok());
                w.b.addAlarm(named("B"));
                EXPECT_FALSE(w.b.save(kNow).dataSaved());
                EXPECT_TRUE(QString::fromStdString(w.b.dataFile().lastProblem().reason)
                                .endsWith(QStringLiteral("表が一杯です")));
            },
            {"A"}, {"B"}, {"B"}, true},
        {"after a save that failed, the other's save is taken in", 0,
            [&named](Writers& w) {
                w.a.addAlarm(named("A0"));
                ASSERT_TRUE(w.a.save(kNow).ok());
                w.bDisk.failing = true;
                EXPECT_FALSE(
                    w.b.addQuickTimer(named("Bのタイマー"), kNow, AlarmStore::QuickSave::NowOrTakeBack)
                        .saved.dataSaved());
                w.bDisk.failing = false;
                w.a.addAlarm(named("A"));
                ASSERT_TRUE(w.a.save(kNow).ok());
                EXPECT_TRUE(w.b.takeInOtherWriter(kNow));
            },
            {"A0", "A"}, {"Bのタイマー"}, {"A0", "A", "朝会"}, false},
        {"a lock held on another computer refuses the save and names it", 0,
            [&named](Writers& w) {
                const SaveLock held(w.data, std::chrono::milliseconds(0));
                ASSERT_EQ(held.state(), SaveLock::State::Held);
                w.b.setLockWait(std::chrono::milliseconds(0));
                w.b.addAlarm(named("B"));
                EXPECT_FALSE(w.b.save(kNow).dataSaved());
                EXPECT_NE(w.b.dataFile().lastProblem().reason.find(thisComputerName()), std::string::npos);
            },
            {"朝会"}, {"B"}, {"B", "朝会"}, true},
        {"a Syncthing conflict copy is merged and set aside", 0,
            [&](Writers& w) {
                w.a.addAlarm(named("A"));
                ASSERT_TRUE(w.a.save(kNow).ok());
                conflictCopy(w, "Kalvendorix.sync-conflict-20261210-101500-ABCDEF7.dat", "S", "");
                EXPECT_EQ(w.b.takeInConflictCopies(kNow), 1);
                EXPECT_EQ(w.b.takeInConflictCopies(kNow), 0) << "once";
                EXPECT_TRUE(QFile::exists(QString::fromStdString(
                    w.folder + "Kalvendorix.sync-conflict-20261210-101500-ABCDEF7.dat.merged")));
            },
            {"朝会", "A", "S"}, {}, {"朝会", "A", "S"}, false},
        {"a Nextcloud copy's alarms come in, none of ours goes; an unreadable copy stays, told once", 0,
            [&](Writers& w) {
                conflictCopy(w, "Kalvendorix (conflicted copy 2026-12-10 101500).dat", "N", "朝会");
                const std::string dropbox = w.folder + "Kalvendorix (Bob's conflicted copy 2026-12-10).dat";
                QFile broken(QString::fromStdString(dropbox));
                ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
                broken.write("not a data file");
                broken.close();
                QSignalSpy told(&w.b, &AlarmStore::otherWriterTakenIn);
                EXPECT_EQ(w.b.takeInConflictCopies(kNow), 1);
                EXPECT_EQ(w.b.takeInConflictCopies(kNow), 0);
                EXPECT_EQ(told.count(), 2) << "the merged copy and the unreadable one, once each";
                EXPECT_TRUE(QFile::exists(QString::fromStdString(dropbox)));
                EXPECT_FALSE(QFile::exists(QString::fromStdString(
                    w.folder + "Kalvendorix (conflicted copy 2026-12-10 101500).dat")));
            },
            {"朝会", "N"}, {}, {"朝会", "N"}, false},
    };
    const auto holds = [](const AlarmTable& table, const std::string& message) {
        return std::any_of(table.alarms.begin(), table.alarms.begin() + table.alarmCount,
            [&](const AlarmRecord& alarm) { return alarm.message == message; });
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const std::string root = dir.path().toStdString() + "/";
        for (const char* sub : {"a", "b", "shared"}) {
            ASSERT_TRUE(QDir().mkpath(dir.filePath(QString::fromLatin1(sub))));
        }
        const std::string data = root + "shared/Kalvendorix.dat";
        SharedTables base;
        base.alarms.add(named("朝会"));
        for (int i = 0; i < row.fillers; ++i) {
            base.alarms.add(named("予定" + std::to_string(i)));
        }
        DataFile writer;
        ASSERT_TRUE(writer.save(base, data, kNow));
        Settings settingsA(root + "a/");
        Settings settingsB(root + "b/");
        settingsA.setDataPath(data);
        settingsB.setDataPath(data);
        DiskThatFills disk;
        AlarmStore a(settingsA);
        AlarmStore b(settingsB, disk);
        a.load({});
        b.load({});
        Writers writers{root + "shared/", data, a, b, disk};
        row.act(writers);

        SharedTables file;
        DataFile reader;
        ASSERT_TRUE(reader.load(file, data, {}));
        for (const std::string& message : row.inFile) {
            EXPECT_TRUE(holds(file.alarms, message)) << message << " is in the file";
        }
        for (const std::string& message : row.notInFile) {
            EXPECT_FALSE(holds(file.alarms, message)) << message << " is not in the file";
        }
        for (const std::string& message : row.inB) {
            EXPECT_TRUE(holds(b.alarms(), message)) << message << " is in B's table";
        }
        EXPECT_EQ(b.modified(), row.bModified);
    }
}

// Every alarm keeps its identity through restarts, saves, the other
// computer's merges and its own change; a file an older version changed
// loses only the identities of the records it changed.
TEST(AlarmStore, EachAlarmKeepsItsIdentity)
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString() + "/";
    for (const char* sub : {"a", "b", "c"}) {
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QString::fromLatin1(sub))));
    }
    const std::string data = root + "Kalvendorix.dat";
    const auto named = [](const char* message, int hour) {
        AlarmRecord alarm = item(kKindDaily, 0, at(2026, 1, 1, hour, 0));
        alarm.message = message;
        return alarm;
    };
    Settings settingsA(root + "a/");
    Settings settingsB(root + "b/");
    Settings settingsC(root + "c/");
    for (Settings* settings : {&settingsA, &settingsB, &settingsC}) {
        settings->setDataPath(data);
    }
    AlarmStore a(settingsA);
    a.load({});
    a.addAlarm(named("朝会", 9));
    a.addAlarm(named("夕礼", 17));
    ASSERT_TRUE(a.save(kNow).ok());
    const std::vector<std::string> ids = a.alarmIds();
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Kalvendorix.ids"))));

    AlarmStore b(settingsB);
    b.load({});
    EXPECT_EQ(b.alarmIds(), ids) << "the other computer, or the next start";
    b.changeAlarm(1, named("夕礼（変更）", 18));
    ASSERT_TRUE(b.save(kNow).ok());
    EXPECT_EQ(b.alarmIds(), ids) << "a change keeps the identity";
    ASSERT_TRUE(a.takeInOtherWriter(kNow));
    EXPECT_EQ(a.alarmIds(), ids) << "and so does the merge of it";
    EXPECT_EQ(a.alarms().alarms[1].message, "夕礼（変更）");

    // An older version rewrites the file: the changed record gets a new identity.
    SharedTables older;
    DataFile file;
    ASSERT_TRUE(file.load(older, data, {}));
    older.alarms.alarms[0].message = "朝礼";
    ASSERT_TRUE(file.save(older, data, kNow));
    AlarmStore c(settingsC);
    c.load({});
    EXPECT_NE(c.alarmIds()[0], ids[0]);
    EXPECT_EQ(c.alarmIds()[1], ids[1]);

    // Imported events are known by their UIDs: one the table holds, or one
    // the file names twice, is added once.
    const AlarmStore::Import imported = c.importAlarms(
        {{ids[1], named("夕礼", 17)}, {"kvx-new", named("新", 8)}, {"kvx-new", named("新", 8)}}, kNow);
    EXPECT_EQ(imported.added, 1);
    EXPECT_EQ(imported.known, 2);
    EXPECT_EQ(c.alarmIds().back(), "kvx-new");

    // Without the identities file, two computers give a record the same one.
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("Kalvendorix.ids"))));
    b.load({});
    c.load({});
    EXPECT_EQ(b.alarmIds(), c.alarmIds());
}

} // namespace
} // namespace kvx
