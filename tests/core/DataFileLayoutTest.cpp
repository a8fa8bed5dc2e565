#include "core/DataFile.h"
#include "tests/core/DataFileTestSupport.h"
#include "tests/core/GoldenRecords.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using test::bytes;
using test::TempDir;

std::string savedBytes(const SharedTables& tables)
{
    TempDir dir;
    DataFile file;
    EXPECT_TRUE(file.save(tables, dir.path("Kalvendorix.dat"), OleDate()));
    return test::readFileBytes(dir.path("Kalvendorix.dat"));
}

const std::string kHeaderOfOneAlarm = bytes({1, 0, 0, 0, 17, 0}) + "Kalvendorix 1.0.0";

TEST(DataFileLayout, EmptyTablesWriteTheHeaderOneSpareRecordAndOneEmptySlotPerList)
{
    const std::string expected = bytes({0, 0, 0, 0, 17, 0}) + "Kalvendorix 1.0.0" // header, count 0
        + std::string(86, '\0') // the spare record
        + std::string(12, '\0') // no routines, zero date
        + std::string(2, '\0') // one empty routine name
        + std::string(12, '\0') + std::string(2, '\0') // memo uppers, reserved
        + std::string(6, '\0'); // one empty memo per list
    const std::string saved = savedBytes(SharedTables{});
    EXPECT_EQ(saved.size(), 143u);
    EXPECT_EQ(saved, expected);
    EXPECT_EQ(saved, test::goldenBytes("current-empty.dat"));
}

TEST(DataFileLayout, EveryFieldOfARecordSitsAtItsOffset)
{
    AlarmRecord record;
    record.startTime = OleDate(1.5);
    record.endTime = OleDate(2.0);
    record.kind = 0x0102;
    record.weekdayMask = 0x0304;
    record.lastPreAlarm = OleDate(3.0);
    record.lastAlarm = OleDate(-4.0);
    record.preMode = 0x0506;
    record.preMinutes = 0x0708;
    record.blink = -2;
    record.sound = 0x090A;
    record.endless = 0x0B0C;
    record.midiVolume = 0x11223344;
    record.waveVolume = -0x11223345;
    record.keepWindow = 0x0D0E;
    record.blinkCount = 0x0F10;
    record.textColor = 0x55667788;
    record.backColor = kButtonFaceColor;
    record.fontSize = 0x1112;
    record.fontBold = 0x1314;
    record.fontItalic = 0x1516;
    record.fontUnderline = 0x1718;
    record.fontStrikethru = 0x191A;
    record.textColorIndex = 0x1B1C;
    record.backColorIndex = 0x1D1E;
    SharedTables tables;
    ASSERT_TRUE(tables.alarms.add(record));

    struct Row {
        const char* field;
        std::size_t offset;
        std::string bytes;
    };
    const Row rows[] = {
        {"startTime", 0, bytes({0, 0, 0, 0, 0, 0, 0xF8, 0x3F})},
        {"endTime", 8, bytes({0, 0, 0, 0, 0, 0, 0x00, 0x40})},
        {"kind", 16, bytes({0x02, 0x01})},
        {"weekdayMask", 18, bytes({0x04, 0x03})},
        {"lastPreAlarm", 20, bytes({0, 0, 0, 0, 0, 0, 0x08, 0x40})},
        {"lastAlarm", 28, bytes({0, 0, 0, 0, 0, 0, 0x10, 0xC0})},
        {"preMode", 36, bytes({0x06, 0x05})},
        {"preMinutes", 38, bytes({0x08, 0x07})},
        {"blink", 40, bytes({0xFE, 0xFF})},
        {"message, empty", 42, bytes({0, 0})},
        {"sound", 44, bytes({0x0A, 0x09})},
        {"soundFile, empty", 46, bytes({0, 0})},
        {"endless", 48, bytes({0x0C, 0x0B})},
        {"midiVolume", 50, bytes({0x44, 0x33, 0x22, 0x11})},
        {"waveVolume", 54, bytes({0xBB, 0xCC, 0xDD, 0xEE})},
        {"keepWindow", 58, bytes({0x0E, 0x0D})},
        {"blinkCount", 60, bytes({0x10, 0x0F})},
        {"textColor", 62, bytes({0x88, 0x77, 0x66, 0x55})},
        {"backColor", 66, bytes({0x0F, 0x00, 0x00, 0x80})},
        {"fontName, empty", 70, bytes({0, 0})},
        {"fontSize", 72, bytes({0x12, 0x11})},
        {"fontBold", 74, bytes({0x14, 0x13})},
        {"fontItalic", 76, bytes({0x16, 0x15})},
        {"fontUnderline", 78, bytes({0x18, 0x17})},
        {"fontStrikethru", 80, bytes({0x1A, 0x19})},
        {"textColorIndex", 82, bytes({0x1C, 0x1B})},
        {"backColorIndex", 84, bytes({0x1E, 0x1D})},
        {"the spare slot follows at 86", 86, bytes({0, 0, 0, 0, 0, 0, 0, 0})},
    };
    const std::string saved = savedBytes(tables);
    ASSERT_EQ(saved.substr(0, kHeaderOfOneAlarm.size()), kHeaderOfOneAlarm);
    const std::size_t recordStart = kHeaderOfOneAlarm.size();
    for (const Row& row : rows) {
        EXPECT_EQ(saved.substr(recordStart + row.offset, row.bytes.size()), row.bytes) << row.field;
    }
    EXPECT_EQ(saved.size(), recordStart + 2 * 86 + 12 + 2 + 14 + 6);
}

TEST(DataFileLayout, AStringIsItsCodePage932ByteCountAndBytes)
{
    struct Row {
        const char* name;
        std::string message;
        std::string stored;
    };
    std::string longJapanese;
    for (int i = 0; i < 40000; ++i) {
        longJapanese += "あ";
    }
    std::string cutJapanese = bytes({0xFE, 0xFF});
    for (int i = 0; i < 32767; ++i) {
        cutJapanese += bytes({0x82, 0xA0});
    }
    const Row rows[] = {
        {"empty", "", bytes({0, 0})},
        {"ASCII", "abc", bytes({3, 0}) + "abc"},
        {"full-width kanji count two bytes each", "会議", bytes({4, 0, 0x89, 0xEF, 0x8B, 0x63})},
        {"half-width katakana count one byte each", "ｸｲｯｸ", bytes({4, 0, 0xB8, 0xB2, 0xAF, 0xB8})},
        {"a second byte of 0x5C", "表", bytes({2, 0, 0x95, 0x5C})},
        {"line breaks kept", "a\r\nb", bytes({4, 0}) + "a\r\nb"},
        {"longer than a 16-bit count is cut", std::string(70000, 'a'),
            bytes({0xFF, 0xFF}) + std::string(65535, 'a')},
        {"cut at a character boundary", longJapanese, cutJapanese},
    };
    for (const Row& row : rows) {
        AlarmRecord record;
        record.message = row.message;
        SharedTables tables;
        ASSERT_TRUE(tables.alarms.add(record));
        const std::string saved = savedBytes(tables);
        EXPECT_EQ(saved.substr(kHeaderOfOneAlarm.size() + 42, row.stored.size()), row.stored) << row.name;
        EXPECT_EQ(saved.size(), 143 + 86 + row.stored.size() - 2) << row.name;
    }
}

SharedTables goldenFullTables()
{
    SharedTables tables;
    tables.alarms.alarmCount = 2;
    tables.alarms.alarms = {test::goldenRecordA(), test::goldenRecordB(), test::goldenStaleRecord()};
    tables.routines.routineCount = 3;
    tables.routines.routineStart = OleDate(45292.0);
    tables.routines.routineNames = {"早番", "遅番", "休み", ""};
    tables.memos.lists = {std::vector<std::string>{"牛乳を買う", "表示を確認", ""},
        std::vector<std::string>{"田中さんに電話", ""}, std::vector<std::string>{""}};
    return tables;
}

TEST(DataFileLayout, AFileWrittenByAnotherWriterLoadsAndSavesByteForByte)
{
    struct Row {
        const char* name;
        const char* golden;
        SharedTables tables;
    };
    const Row rows[] = {
        {"empty tables", "current-empty.dat", SharedTables{}},
        {"alarms, a stale spare slot, routines and memos", "current-full.dat", goldenFullTables()},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        const std::string golden = test::goldenBytes(row.golden);
        test::writeFileBytes(path, golden);
        DataFile file;
        SharedTables loaded;
        ASSERT_TRUE(file.load(loaded, path, LoadContext{})) << row.name;
        test::expectSameData(loaded, row.tables, row.name);
        EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"}) << row.name;
        EXPECT_EQ(savedBytes(row.tables), golden) << row.name;
    }
}

TEST(DataFileLayout, InconsistentCountsInMemoryStillWriteAFileThatReadsBack)
{
    struct Row {
        const char* name;
        SharedTables tables;
        SharedTables readBack;
    };
    SharedTables negativeRoutines;
    negativeRoutines.routines.routineCount = -4;
    negativeRoutines.routines.routineNames.clear();
    SharedTables emptyMemoList;
    emptyMemoList.memos.lists[MemoLists::kContact].clear();
    emptyMemoList.memos.lists[MemoLists::kPurchase] = {"kept", ""};
    SharedTables expectedMemos;
    expectedMemos.memos.lists[MemoLists::kPurchase] = {"kept", ""};
    SharedTables shortAlarmArray;
    shortAlarmArray.alarms.alarmCount = 2;
    SharedTables expectedAlarms;
    expectedAlarms.alarms.alarmCount = 2;
    expectedAlarms.alarms.alarms.resize(3);
    const Row rows[] = {
        {"a negative routine count is written as none", negativeRoutines, SharedTables{}},
        {"an empty memo list is written with its spare slot", emptyMemoList, expectedMemos},
        {"missing alarm slots are written empty", shortAlarmArray, expectedAlarms},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        DataFile file;
        ASSERT_TRUE(file.save(row.tables, path, OleDate())) << row.name;
        SharedTables loaded;
        ASSERT_TRUE(file.load(loaded, path, LoadContext{})) << row.name;
        test::expectSameData(loaded, row.readBack, row.name);
    }
}

} // namespace
} // namespace kvx
