#include "core/DataFile.h"
#include "core/DataFileCodec.h"
#include "tests/core/DataFileTestSupport.h"
#include "tests/core/GoldenRecords.h"

#include <bit>
#include <gtest/gtest.h>

namespace kvx {
namespace {

using test::TempDir;

// In the golden file the first record starts after the 23-byte header and its
// message after 42 bytes of the record.
constexpr std::size_t kFirstRecord = 23;
constexpr std::size_t kFirstMessage = kFirstRecord + 44;
// Records A (86 + 16 + 19 + 9 text bytes), B (86 + 10 + 4) and the stale one
// (86 + 5 + 19 + 9).
constexpr std::size_t kAfterAlarmRecords = kFirstRecord + 130 + 100 + 119;

// A file cut inside its header no longer names its version, so it would be
// converted as the oldest layout; its count of two alarms with no record bytes
// refuses that. An empty file is the one empty conversion.
TEST(DataFileTruncation, EveryPrefixOfAFileLoadsOnceItsHeaderIsWhole)
{
    const std::string whole = test::goldenBytes("current-full.dat");
    for (std::size_t length = 0; length <= whole.size(); ++length) {
        SharedTables tables;
        const DecodeResult result
            = decodeDataFile(std::string_view(whole).substr(0, length), tables, AlarmRecord{});
        ASSERT_EQ(result == DecodeResult::Damaged, length > 0 && length < kFirstRecord) << length;
        ASSERT_EQ(tables.alarms.alarms.size(), static_cast<std::size_t>(tables.alarms.alarmCount) + 1)
            << length;
        ASSERT_EQ(
            tables.routines.routineNames.size(), static_cast<std::size_t>(tables.routines.routineCount) + 1)
            << length;
        ASSERT_EQ(result == DecodeResult::Current, length >= kFirstRecord) << length;
        ASSERT_EQ(result == DecodeResult::Converted, length == 0) << length;
    }
}

AlarmRecord leadingFieldsOfA()
{
    AlarmRecord expected;
    const AlarmRecord a = test::goldenRecordA();
    expected.startTime = a.startTime;
    expected.endTime = a.endTime;
    expected.kind = a.kind;
    expected.weekdayMask = a.weekdayMask;
    expected.lastPreAlarm = a.lastPreAlarm;
    expected.lastAlarm = a.lastAlarm;
    expected.preMode = a.preMode;
    expected.preMinutes = a.preMinutes;
    expected.blink = a.blink;
    return expected;
}

TEST(DataFileTruncation, TheMissingPartReadsAsZeros)
{
    struct Row {
        const char* name;
        std::size_t length;
        std::vector<AlarmRecord> alarms;
        bool routinesRead;
    };
    AlarmRecord halfStart;
    halfStart.startTime
        = OleDate(std::bit_cast<double>(std::bit_cast<std::uint64_t>(45351.375) & 0xFFFFFFFFu));
    AlarmRecord twoCharacters = leadingFieldsOfA();
    twoCharacters.message = "会議";
    AlarmRecord halfACharacter = leadingFieldsOfA();
    halfACharacter.message = "会\uFFFD";
    const Row rows[] = {
        {"cut after the header", kFirstRecord, {{}, {}, {}}, false},
        {"cut inside the start time", kFirstRecord + 4, {halfStart, {}, {}}, false},
        {"cut inside the message", kFirstMessage + 4, {twoCharacters, {}, {}}, false},
        {"cut inside a double-byte character", kFirstMessage + 3, {halfACharacter, {}, {}}, false},
        {"cut after the alarm records", kAfterAlarmRecords,
            {test::goldenRecordA(), test::goldenRecordB(), test::goldenStaleRecord()}, false},
        {"cut after the routine header and one name", kAfterAlarmRecords + 12 + 6,
            {test::goldenRecordA(), test::goldenRecordB(), test::goldenStaleRecord()}, true},
    };
    const std::string whole = test::goldenBytes("current-full.dat");
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        test::writeFileBytes(path, whole.substr(0, row.length));
        DataFile file;
        SharedTables tables;
        ASSERT_TRUE(file.load(tables, path, LoadContext{})) << row.name;
        EXPECT_EQ(tables.alarms.alarmCount, 2) << row.name;
        EXPECT_EQ(tables.alarms.alarms, row.alarms) << row.name;
        if (row.routinesRead) {
            EXPECT_EQ(tables.routines.routineCount, 3) << row.name;
            EXPECT_EQ(tables.routines.routineNames, (std::vector<std::string>{"早番", "", "", ""}))
                << row.name;
        } else {
            EXPECT_EQ(tables.routines, RoutineList{}) << row.name;
        }
        EXPECT_EQ(tables.memos, MemoLists{}) << row.name;
        EXPECT_EQ(test::readFileBytes(path).size(), row.length)
            << row.name << ": a current file is not rewritten";
    }
}

} // namespace
} // namespace kvx
