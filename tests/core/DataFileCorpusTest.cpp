#include "core/DataFile.h"
#include "tests/core/DataFileTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace kvx {
namespace {

using test::TempDir;

// The hand-made damaged files and whether they load; inputs the fuzzer found are
// only checked for a clean return.
const std::map<std::string, bool> kExpectedLoads = {
    {"alarm-count-huge.dat", false},
    {"alarm-count-32768.dat", false},
    {"alarm-count-negative.dat", true},
    {"routine-count-huge.dat", false},
    {"memo-counts-huge.dat", false},
    {"memo-counts-negative.dat", true},
    {"truncated-in-record.dat", false},
    {"truncated-string.dat", false},
    {"invalid-cp932.dat", true},
    {"version-count-past-end.dat", false},
    {"legacy-count-huge.dat", false},
    // Four records asked for, one and a half in the file.
    {"legacy-truncated.dat", false},
    {"zero-bytes.dat", true},
};

void expectBoundedTables(const SharedTables& tables, std::size_t fileSize, const std::string& name)
{
    const std::size_t largestList = std::max<std::size_t>(65536, fileSize / 2 + 1);
    EXPECT_GE(tables.alarms.alarmCount, 0) << name;
    EXPECT_EQ(tables.alarms.alarms.size(), static_cast<std::size_t>(tables.alarms.alarmCount) + 1) << name;
    EXPECT_GE(tables.routines.routineCount, 0) << name;
    EXPECT_EQ(tables.routines.routineNames.size(), static_cast<std::size_t>(tables.routines.routineCount) + 1)
        << name;
    EXPECT_LE(tables.routines.routineNames.size(), largestList) << name;
    for (const auto& list : tables.memos.lists) {
        EXPECT_GE(list.size(), 1u) << name;
        EXPECT_LE(list.size(), largestList) << name;
    }
}

TEST(DataFileCorpus, DamagedFilesLoadOrFailCleanly)
{
    const std::filesystem::path corpus = std::string(KVX_TEST_DATA_DIR) + "/corpus";
    std::size_t checked = 0;
    std::size_t named = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        const std::string name = entry.path().filename().string();
        const std::string bytes = test::readFileBytes(entry.path().string());
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        test::writeFileBytes(path, bytes);
        DataFile file;
        SharedTables tables;
        const bool loaded = file.load(tables, path, LoadContext{});
        expectBoundedTables(tables, bytes.size(), name);
        if (const auto expected = kExpectedLoads.find(name); expected != kExpectedLoads.end()) {
            EXPECT_EQ(loaded, expected->second) << name;
            ++named;
        }
        if (!loaded) {
            EXPECT_EQ(test::readFileBytes(path), bytes)
                << name << ": a file that fails to load stays as it was";
        }
        ++checked;
    }
    EXPECT_EQ(named, kExpectedLoads.size());
    EXPECT_GE(checked, 12u);
}

} // namespace
} // namespace kvx
