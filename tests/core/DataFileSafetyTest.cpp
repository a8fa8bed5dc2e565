#include "core/DataFile.h"
#include "core/DataFileCodec.h"
#include "core/ProfileFile.h"
#include "core/Settings.h"
#include "core/WholeFile.h"
#include "tests/core/DataFileTestSupport.h"
#include "tests/core/GoldenRecords.h"

#include <bit>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utility>

namespace kvx {
namespace {

using test::FailingSink;
using test::TempDir;

SharedTables changedTables()
{
    SharedTables tables;
    tables.alarms.add(test::goldenRecordB());
    tables.memos.lists[MemoLists::kMemo] = {"新しいメモ", ""};
    return tables;
}

// Empty tables 143 + alarm B 100 (86 + 10 + 4 text bytes) + one memo 12.
constexpr std::size_t kChangedTablesBytes = 255;

TEST(DataFileSafety, ASaveThatFailsLeavesThePreviousFileAsItWas)
{
    const std::string previous = test::goldenBytes("current-full.dat");
    const std::size_t newSize = kChangedTablesBytes;
    struct Row {
        const char* name;
        FailingSink::Failure failure;
        std::size_t bytesBeforeFailure;
    };
    const Row rows[] = {
        {"the new file cannot be created", FailingSink::Failure::Open, 0},
        {"nothing can be written", FailingSink::Failure::AfterBytes, 0},
        {"the disk fills after the header", FailingSink::Failure::AfterBytes, 23},
        {"the disk fills half-way", FailingSink::Failure::AfterBytes, newSize / 2},
        {"the last byte cannot be written", FailingSink::Failure::AfterBytes, newSize - 1},
        {"the written file cannot reach the disk", FailingSink::Failure::Commit, 0},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        test::writeFileBytes(path, previous);
        FailingSink sink(row.failure, row.bytesBeforeFailure);
        DataFile file(sink);
        EXPECT_FALSE(file.save(changedTables(), path, OleDate())) << row.name;
        EXPECT_EQ(test::readFileBytes(path), previous) << row.name;
        EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"})
            << row.name << ": no leftovers";
    }
}

TEST(DataFileSafety, TheSameSaveWithoutAFailureWritesTheWholeFile)
{
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    test::writeFileBytes(path, test::goldenBytes("current-full.dat"));
    FailingSink sink(FailingSink::Failure::AfterBytes, kChangedTablesBytes);
    DataFile file(sink);
    ASSERT_TRUE(file.save(changedTables(), path, OleDate()));
    SharedTables loaded;
    ASSERT_TRUE(file.load(loaded, path, LoadContext{}));
    test::expectSameData(loaded, changedTables(), "saved in full");
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"});
    EXPECT_EQ(test::readFileBytes(path).size(), kChangedTablesBytes);
}

TEST(DataFileSafety, ASaveToAPathThatCannotHoldTheFileFails)
{
    struct Row {
        const char* name;
        const char* path;
        bool pathIsFolder;
        std::vector<std::string> filesAfter;
    };
    const Row rows[] = {
        {"the data path is a folder", "Kalvendorix.dat", true, {"Kalvendorix.dat"}},
        {"the folder of the data path does not exist", "missing/Kalvendorix.dat", false, {}},
    };
    for (const Row& row : rows) {
        TempDir dir;
        if (row.pathIsFolder) {
            std::filesystem::create_directory(dir.path(row.path));
        }
        DataFile file;
        EXPECT_FALSE(file.save(changedTables(), dir.path(row.path), OleDate())) << row.name;
        EXPECT_EQ(dir.fileNames(), row.filesAfter) << row.name;
    }
}

TEST(DataFileSafety, ASaveThroughASymbolicLinkReplacesTheFileBehindIt)
{
    struct Row {
        const char* name;
        std::string before;
        std::vector<std::string> filesBehindTheLink;
    };
    const Row rows[] = {
        {"a file that loaded", test::goldenBytes("current-full.dat"), {"Kalvendorix.dat"}},
        {"a file that failed to load", std::string("\x00\x80\x00\x00", 4),
            {"Kalvendorix.dat", "Kalvendorix.dat.unreadable-20240229-0905"}},
    };
    for (const Row& row : rows) {
        TempDir dir;
        std::filesystem::create_directory(dir.path("synced"));
        const std::string target = dir.path("synced/Kalvendorix.dat");
        const std::string link = dir.path("Kalvendorix.dat");
        test::writeFileBytes(target, row.before);
        std::filesystem::create_symlink(target, link);
        DataFile file;
        SharedTables tables;
        file.load(tables, link, LoadContext{});
        ASSERT_TRUE(file.save(changedTables(), link, OleDate::fromCivil(2024, 2, 29, 9, 5))) << row.name;
        EXPECT_TRUE(std::filesystem::is_symlink(link)) << row.name;
        EXPECT_EQ(test::readFileBytes(target).size(), kChangedTablesBytes) << row.name;
        EXPECT_EQ(dir.fileNames("synced"), row.filesBehindTheLink) << row.name;
        EXPECT_EQ(dir.fileNames(), (std::vector<std::string>{"Kalvendorix.dat", "synced"})) << row.name;
    }
}

// In a folder others may write to, another user plants a link to a file of
// ours under the name of one of the program's files: no writer follows it,
// and the file behind it stays as it was. Changing a link's owner takes root.
TEST(DataFileSafety, NoWriterFollowsALinkAnotherUserOwns)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a link to another user";
    }
    constexpr uid_t kOtherUser = 65534;
    const std::string ours = "the user's own notes\n";
    struct Row {
        const char* name;
        std::function<bool(const std::string& path, std::string* reason)> write;
    };
    const Row rows[] = {
        {"the data file",
            [](const std::string& path, std::string* reason) {
                DataFile file;
                const bool saved = file.save(changedTables(), path, OleDate::fromCivil(2024, 2, 29, 9, 5));
                *reason = file.lastProblem().reason;
                return saved;
            }},
        {"the settings file",
            [](const std::string& path, std::string* reason) {
                return ProfileFile(path).write(kSettingsSection, {{"STARTFLG", "1"}}, reason);
            }},
        {"the log of peeled memos",
            [](const std::string& path, std::string* reason) {
                return appendToFile(path, "memo\r\n", reason);
            }},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string target = dir.path("notes.txt");
        const std::string planted = dir.path("planted");
        test::writeFileBytes(target, ours);
        std::filesystem::create_symlink(target, planted);
        ASSERT_EQ(::lchown(planted.c_str(), kOtherUser, kOtherUser), 0);
        std::string reason;
        EXPECT_FALSE(row.write(planted, &reason)) << row.name;
        EXPECT_NE(reason.find("a link another user owns"), std::string::npos) << row.name << ": " << reason;
        EXPECT_EQ(test::readFileBytes(target), ours) << row.name;
        EXPECT_EQ(dir.fileNames(), (std::vector<std::string>{"notes.txt", "planted"})) << row.name;
        // The user's own link is followed as before.
        ASSERT_EQ(::lchown(planted.c_str(), ::geteuid(), ::getegid()), 0);
        EXPECT_TRUE(row.write(planted, &reason)) << row.name << ": " << reason;
        EXPECT_NE(test::readFileBytes(target), ours) << row.name;
    }
}

// The bytes of an older file survive until a copy of them exists: a backup
// that cannot be made leaves the file as it is (its alarms still load,
// converted), and every save before the backup can be made writes nothing.
TEST(DataFileSafety, AnOlderFileStaysUntilItsBackupExists)
{
    const std::string original = test::goldenBytes("tollbeck-0.9.5.dat");
    const OleDate now = OleDate::fromCivil(2026, 12, 9, 8, 30);
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    test::writeFileBytes(path, original);
    FailingSink sink(FailingSink::Failure::AfterBytes, 10);
    DataFile file(sink);
    SharedTables tables;
    ASSERT_TRUE(file.load(tables, path, LoadContext{0, 0, now}));
    EXPECT_EQ(file.lastProblem().kind, FileProblem::Kind::CopyPending);
    EXPECT_EQ(file.lastProblem().path, path + ".bak");
    EXPECT_EQ(tables.alarms.alarmCount, 2);
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"});

    tables.alarms.add(test::goldenRecordB());
    EXPECT_FALSE(file.save(tables, path, now));
    EXPECT_EQ(file.lastProblem().kind, FileProblem::Kind::CopyFailed);
    EXPECT_EQ(test::readFileBytes(path), original);
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"});

    sink.heal();
    ASSERT_TRUE(file.save(tables, path, now));
    EXPECT_EQ(test::readFileBytes(path + ".bak"), original);
    EXPECT_EQ(test::readFileBytes(path), encodeDataFile(tables));
    ASSERT_TRUE(file.save(tables, path, now));
    EXPECT_EQ(dir.fileNames(), (std::vector<std::string>{"Kalvendorix.dat", "Kalvendorix.dat.bak"}))
        << "one backup";
}

// With the backup made, a converted file that cannot take the older one's
// place waits for the next save; the load says nothing of it.
TEST(DataFileSafety, AConvertedFileThatCannotBeWrittenWaitsForTheNextSave)
{
    const std::string original = test::goldenBytes("tollbeck-0.9.5.dat");
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    test::writeFileBytes(path, original);
    FailingSink sink(FailingSink::Failure::Commit, 0, 1);
    DataFile file(sink);
    SharedTables tables;
    ASSERT_TRUE(file.load(tables, path, LoadContext{}));
    EXPECT_EQ(file.lastProblem().kind, FileProblem::Kind::None);
    EXPECT_EQ(test::readFileBytes(path), original);
    EXPECT_EQ(test::readFileBytes(path + ".bak"), original);
}

std::string le(std::int64_t value, int width)
{
    std::string bytes;
    for (int i = 0; i < width; ++i) {
        bytes.push_back(static_cast<char>(static_cast<std::uint64_t>(value) >> (8 * i) & 0xFF));
    }
    return bytes;
}

std::string text(std::string_view cp932)
{
    return le(static_cast<std::int64_t>(cp932.size()), 2) + std::string(cp932);
}

const std::string kCurrentHeaderOfNoAlarms = le(0, 4) + text("Kalvendorix 1.0.0") + std::string(86, '\0');
const std::string kNoRoutines = le(0, 4) + le(0, 8) + text("");
const std::string kNoMemos = le(0, 4) + le(0, 4) + le(0, 4) + text("") + text("") + text("") + text("");

TEST(DataFileUnreadable, TheNextSaveKeepsAFileThatFailedToLoad)
{
    struct Row {
        const char* name;
        std::string damaged;
    };
    const Row rows[] = {
        {"an alarm count above 32767", le(32768, 4) + text("Kalvendorix 1.0.0")},
        {"a routine count no file holds", kCurrentHeaderOfNoAlarms + le(0x7FFFFFFF, 4) + le(0, 8)},
        {"memo counts no file holds", kCurrentHeaderOfNoAlarms + kNoRoutines + le(0x40000000, 4)},
        {"an older file with an alarm count above 32767", le(40000, 4) + text("Tollbeck 0.9.5")},
    };
    const OleDate now = OleDate::fromCivil(2024, 2, 29, 9, 5, 30);
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        test::writeFileBytes(path, row.damaged);
        DataFile file;
        SharedTables tables;
        EXPECT_FALSE(file.load(tables, path, LoadContext{})) << row.name;
        EXPECT_EQ(test::readFileBytes(path), row.damaged) << row.name << ": loading changes nothing on disk";
        EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"}) << row.name;

        ASSERT_TRUE(file.save(changedTables(), path, now)) << row.name;
        EXPECT_EQ(dir.fileNames(),
            (std::vector<std::string>{"Kalvendorix.dat", "Kalvendorix.dat.unreadable-20240229-0905"}))
            << row.name;
        EXPECT_EQ(test::readFileBytes(path + ".unreadable-20240229-0905"), row.damaged) << row.name;
        SharedTables saved;
        ASSERT_TRUE(file.load(saved, path, LoadContext{})) << row.name;
        test::expectSameData(saved, changedTables(), row.name);

        ASSERT_TRUE(file.save(changedTables(), path, now.plusSeconds(60))) << row.name;
        EXPECT_EQ(dir.fileNames().size(), 2u) << row.name << ": one copy is enough";
    }
}

TEST(DataFileUnreadable, OnlyAFileThatFailedItsLastLoadIsKept)
{
    const OleDate now = OleDate::fromCivil(2024, 2, 29, 9, 5);
    const std::string damaged = le(32768, 4) + text("Kalvendorix 1.0.0");
    struct Row {
        const char* name;
        std::function<void(DataFile&, const std::string& path)> before;
        std::vector<std::string> filesAfterSave;
    };
    const Row rows[] = {
        {"a file that loaded",
            [&](DataFile& file, const std::string& path) {
                test::writeFileBytes(path, test::goldenBytes("current-full.dat"));
                SharedTables tables;
                file.load(tables, path, LoadContext{});
            },
            {"Kalvendorix.dat"}},
        {"a damaged file mended before the next load",
            [&](DataFile& file, const std::string& path) {
                test::writeFileBytes(path, damaged);
                SharedTables tables;
                file.load(tables, path, LoadContext{});
                test::writeFileBytes(path, test::goldenBytes("current-full.dat"));
                file.load(tables, path, LoadContext{});
            },
            {"Kalvendorix.dat"}},
        {"a damaged file that is gone by the save",
            [&](DataFile& file, const std::string& path) {
                test::writeFileBytes(path, damaged);
                SharedTables tables;
                file.load(tables, path, LoadContext{});
                std::filesystem::remove(path);
            },
            {"Kalvendorix.dat"}},
        {"a damaged file at another path",
            [&](DataFile& file, const std::string& path) {
                test::writeFileBytes(path + ".other", damaged);
                SharedTables tables;
                file.load(tables, path + ".other", LoadContext{});
                std::filesystem::remove(path + ".other");
            },
            {"Kalvendorix.dat"}},
        {"a copy of that minute already there",
            [&](DataFile& file, const std::string& path) {
                test::writeFileBytes(path, damaged);
                test::writeFileBytes(path + ".unreadable-20240229-0905", "earlier");
                SharedTables tables;
                file.load(tables, path, LoadContext{});
            },
            {"Kalvendorix.dat", "Kalvendorix.dat.unreadable-20240229-0905",
                "Kalvendorix.dat.unreadable-20240229-0905-1"}},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        DataFile file;
        row.before(file, path);
        ASSERT_TRUE(file.save(changedTables(), path, now)) << row.name;
        EXPECT_EQ(dir.fileNames(), row.filesAfterSave) << row.name;
    }
}

TEST(DataFileUnreadable, SomethingThatIsNotAFileIsNeitherCopiedNorReplaced)
{
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    std::filesystem::create_directory(path);
    DataFile file;
    SharedTables tables;
    EXPECT_FALSE(file.load(tables, path, LoadContext{}));
    EXPECT_FALSE(file.save(changedTables(), path, OleDate::fromCivil(2024, 2, 29, 9, 5)));
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"});
}

TEST(DataFileUnreadable, TheCopyIsNamedByTheMinuteOfTheSave)
{
    struct Row {
        const char* name;
        OleDate now;
        const char* copy;
    };
    const Row rows[] = {
        {"leap day morning", OleDate::fromCivil(2024, 2, 29, 9, 5, 59), "a/K.dat.unreadable-20240229-0905"},
        {"last minute of a century", OleDate::fromCivil(1999, 12, 31, 23, 59, 30),
            "a/K.dat.unreadable-19991231-2359"},
        {"the zero date", OleDate(), "a/K.dat.unreadable-18991230-0000"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DataFile::unreadableCopyPath("a/K.dat", row.now), row.copy) << row.name;
    }
}

TEST(DataFileDamage, NegativeCountsLeaveEmptyTables)
{
    struct Row {
        const char* name;
        std::string bytes;
        SharedTables expected;
    };
    SharedTables routinesRead;
    routinesRead.routines = {1, OleDate(45292.0), {"early", ""}};
    SharedTables ghostRoutine;
    ghostRoutine.routines.routineNames = {"ghost"};
    SharedTables oneMemoEach;
    oneMemoEach.memos.lists
        = {std::vector<std::string>{"a"}, std::vector<std::string>{"b"}, std::vector<std::string>{"c"}};
    const Row rows[] = {
        {"a negative alarm count reads no records and the routines follow the header",
            le(-5, 4) + text("Kalvendorix 1.0.0") + le(1, 4) + le(std::bit_cast<std::int64_t>(45292.0), 8)
                + text("early") + text("") + kNoMemos,
            routinesRead},
        {"a negative routine count still reads its one name",
            kCurrentHeaderOfNoAlarms + le(-3, 4) + le(0, 8) + text("ghost") + kNoMemos, ghostRoutine},
        {"negative memo counts read one memo each",
            kCurrentHeaderOfNoAlarms + kNoRoutines + le(-1, 4) + le(-2147483648LL, 4) + le(-7, 4) + text("")
                + text("a") + text("b") + text("c"),
            oneMemoEach},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        test::writeFileBytes(path, row.bytes);
        DataFile file;
        SharedTables tables;
        ASSERT_TRUE(file.load(tables, path, LoadContext{})) << row.name;
        test::expectSameData(tables, row.expected, row.name);
        ASSERT_TRUE(tables.alarms.add(test::goldenRecordA())) << row.name;
        EXPECT_EQ(tables.alarms.alarms[0], test::goldenRecordA()) << row.name << ": a new alarm goes first";
    }
}

TEST(DataFileDamage, CountsThatDoNotFitTheFileFailTheLoad)
{
    struct Row {
        const char* name;
        std::string bytes;
        bool loads;
    };
    const Row rows[] = {
        {"no alarms", kCurrentHeaderOfNoAlarms + kNoRoutines + kNoMemos, true},
        {"32767 alarms cut off after the header", le(32767, 4) + text("Kalvendorix 1.0.0"), false},
        {"32768 alarms", le(32768, 4) + text("Kalvendorix 1.0.0"), false},
        {"the largest 32-bit alarm count", le(0x7FFFFFFF, 4) + text("Kalvendorix 1.0.0"), false},
        {"65535 routines cut off", kCurrentHeaderOfNoAlarms + le(65535, 4) + le(0, 8), false},
        {"100000 routines all in the file",
            kCurrentHeaderOfNoAlarms + le(100000, 4) + le(0, 8) + std::string(2 * 100001, '\0') + kNoMemos,
            true},
        {"100000 routines one name short",
            kCurrentHeaderOfNoAlarms + le(100000, 4) + le(0, 8) + std::string(2 * 100000, '\0') + kNoMemos,
            false},
        {"65535 purchase memos cut off",
            kCurrentHeaderOfNoAlarms + kNoRoutines + le(0, 4) + le(0, 4) + le(65535, 4), false},
        {"a byte past the last memo", kCurrentHeaderOfNoAlarms + kNoRoutines + kNoMemos + "x", false},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        test::writeFileBytes(path, row.bytes);
        DataFile file;
        SharedTables tables;
        EXPECT_EQ(file.load(tables, path, LoadContext{}), row.loads) << row.name;
        EXPECT_EQ(tables.alarms.alarms.size(), static_cast<std::size_t>(tables.alarms.alarmCount) + 1)
            << row.name;
        EXPECT_EQ(
            tables.routines.routineNames.size(), static_cast<std::size_t>(tables.routines.routineCount) + 1)
            << row.name;
        for (const auto& list : tables.memos.lists) {
            EXPECT_LE(list.size(), 100001u) << row.name;
        }
        EXPECT_EQ(test::readFileBytes(path), row.bytes) << row.name;
    }
}

TEST(DataFileDamage, NotARegularFileFailsTheLoadWithoutWaiting)
{
    struct Row {
        const char* name;
        std::function<void(const std::string& path)> make;
    };
    const Row rows[] = {
        {"a folder", [](const std::string& path) { std::filesystem::create_directory(path); }},
        {"a named pipe without a writer",
            [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
        {"a file larger than any data file",
            [](const std::string& path) {
                test::writeFileBytes(path, "");
                std::filesystem::resize_file(path, DataFile::kMaxFileBytes + 1);
            }},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        row.make(path);
        DataFile file;
        SharedTables tables;
        tables.alarms.add(test::goldenRecordA());
        EXPECT_FALSE(file.load(tables, path, LoadContext{})) << row.name;
        test::expectSameData(tables, SharedTables{}, row.name);
    }
}

} // namespace
} // namespace kvx
