#include "core/DataFile.h"
#include "core/DataFileCodec.h"
#include "tests/core/DataFileTestSupport.h"
#include "tests/core/GoldenRecords.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using test::TempDir;

// A file is whole when every record, the rota and the three memo lists are
// there and the file ends where the last memo ends. Anything else (cut
// anywhere, or followed by bytes no count accounts for) does not load, and
// nothing of it reaches the tables; the empty file is the one empty conversion.
TEST(DataFileTruncation, OnlyTheWholeFileLoads)
{
    const std::string whole = test::goldenBytes("current-full.dat");
    for (std::size_t length = 0; length <= whole.size() + 1; ++length) {
        const std::string bytes = length <= whole.size() ? whole.substr(0, length) : whole + '\0';
        SharedTables tables;
        const DecodeResult result = decodeDataFile(bytes, tables, AlarmRecord{});
        DecodeResult expected = DecodeResult::Damaged;
        if (length == 0) {
            expected = DecodeResult::Converted;
        } else if (length == whole.size()) {
            expected = DecodeResult::Current;
        }
        ASSERT_EQ(result, expected) << length;
        if (result == DecodeResult::Damaged) {
            test::expectSameData(tables, SharedTables{}, "cut at " + std::to_string(length));
        }
    }
}

TEST(DataFileTruncation, ACutFileIsToldAndItsBytesKeptBeforeTheNextSave)
{
    // In the golden file the first record starts after the 23-byte header and
    // its message 44 bytes into the record.
    const std::string whole = test::goldenBytes("current-full.dat");
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"cut after the header", whole.substr(0, 23)},
        {"cut inside a message", whole.substr(0, 23 + 44 + 4)},
        {"cut after the alarm records", whole.substr(0, 23 + 130 + 100 + 119)},
        {"cut inside the last memo", whole.substr(0, whole.size() - 1)},
        {"a byte after the last memo", whole + 'x'},
    };
    SharedTables oneAlarm;
    oneAlarm.alarms.add(test::goldenRecordB());
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        test::writeFileBytes(path, row.bytes);
        DataFile file;
        SharedTables tables;
        EXPECT_FALSE(file.load(tables, path, LoadContext{})) << row.name;
        EXPECT_EQ(file.lastProblem().kind, FileProblem::Kind::Unreadable) << row.name;
        test::expectSameData(tables, SharedTables{}, row.name);
        EXPECT_EQ(test::readFileBytes(path), row.bytes) << row.name << ": loading writes nothing";
        ASSERT_TRUE(file.save(oneAlarm, path, OleDate::fromCivil(2026, 12, 9, 8, 30))) << row.name;
        EXPECT_EQ(test::readFileBytes(path + ".unreadable-20261209-0830"), row.bytes) << row.name;
        EXPECT_EQ(test::readFileBytes(path), encodeDataFile(oneAlarm)) << row.name;
    }
}

} // namespace
} // namespace kvx
