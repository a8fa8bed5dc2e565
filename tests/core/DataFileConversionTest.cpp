#include "core/DataFile.h"
#include "tests/core/DataFileTestSupport.h"
#include "tests/core/GoldenRecords.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using test::TempDir;

constexpr std::int32_t kMidiAtStart = 0x11111111;
constexpr std::int32_t kWaveAtStart = 0x22222222;

LoadContext startUpContext()
{
    LoadContext context;
    context.legacyMidiVolume = kMidiAtStart;
    context.legacyWaveVolume = kWaveAtStart;
    return context;
}

// The fields after `soundFile`: read from the older file where its version had
// them, otherwise the values a converted record gets.
struct LaterFields {
    std::int16_t endless;
    std::int32_t midiVolume;
    std::int32_t waveVolume;
    std::int16_t keepWindow;
    std::int16_t blinkCount;
    std::int32_t textColor;
    std::int32_t backColor;
    const char* fontName;
    std::int16_t fontSize, fontBold, fontItalic, fontUnderline, fontStrikethru;
    std::int16_t textColorIndex, backColorIndex;
};

constexpr LaterFields kDefaultsOnly{
    0, kMidiAtStart, kWaveAtStart, 1, 10, 0, kButtonFaceColor, "MS Pｺﾞｼｯｸ", 12, -1, 0, 0, 0, 7, 5};

void expectLaterFields(const AlarmRecord& r, const LaterFields& f, const std::string& name)
{
    EXPECT_EQ(r.endless, f.endless) << name;
    EXPECT_EQ(r.midiVolume, f.midiVolume) << name;
    EXPECT_EQ(r.waveVolume, f.waveVolume) << name;
    EXPECT_EQ(r.keepWindow, f.keepWindow) << name;
    EXPECT_EQ(r.blinkCount, f.blinkCount) << name;
    EXPECT_EQ(r.textColor, f.textColor) << name;
    EXPECT_EQ(r.backColor, f.backColor) << name;
    EXPECT_EQ(r.fontName, f.fontName) << name;
    EXPECT_EQ(r.fontSize, f.fontSize) << name;
    EXPECT_EQ(r.fontBold, f.fontBold) << name;
    EXPECT_EQ(r.fontItalic, f.fontItalic) << name;
    EXPECT_EQ(r.fontUnderline, f.fontUnderline) << name;
    EXPECT_EQ(r.fontStrikethru, f.fontStrikethru) << name;
    EXPECT_EQ(r.textColorIndex, f.textColorIndex) << name;
    EXPECT_EQ(r.backColorIndex, f.backColorIndex) << name;
}

void expectLeadingFieldsOfA(const AlarmRecord& r, const std::string& name)
{
    const AlarmRecord a = test::goldenRecordA();
    EXPECT_EQ(r.startTime, a.startTime) << name;
    EXPECT_EQ(r.endTime, a.startTime) << name << ": ends when it starts";
    EXPECT_EQ(r.kind, a.kind) << name;
    EXPECT_EQ(r.weekdayMask, a.weekdayMask) << name;
    EXPECT_EQ(r.lastPreAlarm, a.lastPreAlarm) << name;
    EXPECT_EQ(r.lastAlarm, a.lastAlarm) << name;
    EXPECT_EQ(r.preMode, a.preMode) << name;
    EXPECT_EQ(r.preMinutes, a.preMinutes) << name;
    EXPECT_EQ(r.blink, a.blink) << name;
    EXPECT_EQ(r.message, a.message) << name;
    EXPECT_EQ(r.sound, a.sound) << name;
    EXPECT_EQ(r.soundFile, a.soundFile) << name;
}

TEST(DataFileConversion, EveryOlderVersionIsReadWithItsOwnRecordLayout)
{
    // Golden record A has these after `soundFile`.
    const auto upTo092 = LaterFields{
        1, kMidiAtStart, kWaveAtStart, 1, 10, 0, kButtonFaceColor, "MS Pｺﾞｼｯｸ", 12, -1, 0, 0, 0, 7, 5};
    const auto upTo094 = LaterFields{
        1, -2147450880, kWaveAtStart, 0, 10, 0, kButtonFaceColor, "MS Pｺﾞｼｯｸ", 12, -1, 0, 0, 0, 7, 5};
    const auto upTo095 = LaterFields{
        1, -2147450880, 1073758208, 0, 25, 0, kButtonFaceColor, "MS Pｺﾞｼｯｸ", 12, -1, 0, 0, 0, 7, 5};
    const auto upTo096
        = LaterFields{1, -2147450880, 1073758208, 0, 25, 255, 16776960, "ＭＳ 明朝", 14, 0, -1, -1, 0, 4, 0};
    struct Row {
        const char* golden;
        LaterFields expected;
    };
    const Row rows[] = {
        {"oldest-unknown.dat", kDefaultsOnly},
        {"oldest-empty.dat", kDefaultsOnly},
        {"tollbeck-0.9.2.dat", upTo092},
        {"tollbeck-0.9.3.dat", upTo092},
        {"tollbeck-0.9.4.dat", upTo094},
        {"tollbeck-0.9.5.dat", upTo095},
        {"tollbeck-0.9.6.dat", upTo096},
        {"tollbeck-1.0.3.dat", upTo096},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        test::writeFileBytes(path, test::goldenBytes(row.golden));
        DataFile file;
        SharedTables tables;
        ASSERT_TRUE(file.load(tables, path, startUpContext())) << row.golden;
        ASSERT_EQ(tables.alarms.alarmCount, 2) << row.golden;
        ASSERT_EQ(tables.alarms.alarms.size(), 3u) << row.golden;
        expectLeadingFieldsOfA(tables.alarms.alarms[0], row.golden);
        expectLaterFields(tables.alarms.alarms[0], row.expected, row.golden);
        EXPECT_EQ(tables.alarms.alarms[1].kind, 13) << row.golden;
        EXPECT_EQ(tables.alarms.alarms[1].message, "ｸｲｯｸ timer") << row.golden;
        EXPECT_EQ(tables.alarms.alarms[2], AlarmRecord{}) << row.golden << ": the spare slot is emptied";
        EXPECT_EQ(tables.routines, RoutineList{}) << row.golden << ": an older file has no routines";
        EXPECT_EQ(tables.memos, MemoLists{}) << row.golden << ": nor memos";
    }
}

TEST(DataFileConversion, TheOriginalIsKeptAndTheConvertedFileTakesItsPlace)
{
    struct Row {
        const char* name;
        std::string original;
    };
    const Row rows[] = {
        {"a Tollbeck 0.9.5 file", test::goldenBytes("tollbeck-0.9.5.dat")},
        {"a file of unknown version", test::goldenBytes("oldest-unknown.dat")},
        {"a file of zero bytes", std::string()},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.path("Kalvendorix.dat");
        test::writeFileBytes(path, row.original);
        DataFile file;
        SharedTables converted;
        ASSERT_TRUE(file.load(converted, path, startUpContext())) << row.name;

        EXPECT_EQ(dir.fileNames(), (std::vector<std::string>{"Kalvendorix.dat", "Kalvendorix.dat.bak"}))
            << row.name;
        EXPECT_EQ(test::readFileBytes(path + ".bak"), row.original) << row.name;
        const std::string onDisk = test::readFileBytes(path);
        EXPECT_EQ(onDisk.substr(4, 19), std::string("\x11\x00Kalvendorix 1.0.0", 19)) << row.name;

        SharedTables reloaded;
        ASSERT_TRUE(file.load(reloaded, path, LoadContext{})) << row.name;
        test::expectSameData(reloaded, converted, row.name);
        EXPECT_EQ(test::readFileBytes(path), onDisk)
            << row.name << ": a current file is not rewritten on load";
    }
}

TEST(DataFileConversion, AnEmptyFileBecomesACurrentFileOfEmptyTables)
{
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    test::writeFileBytes(path, "");
    DataFile file;
    SharedTables tables;
    tables.alarms.add(test::goldenRecordA());
    ASSERT_TRUE(file.load(tables, path, startUpContext()));
    test::expectSameData(tables, SharedTables{}, "zero-byte file");
    EXPECT_EQ(test::readFileBytes(path), test::goldenBytes("current-empty.dat"));
}

TEST(DataFileConversion, AMissingFileLoadsEmptyTablesAndIsNotCreated)
{
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    DataFile file;
    SharedTables tables;
    tables.alarms.add(test::goldenRecordA());
    tables.memos.lists[0] = {"old", ""};
    ASSERT_TRUE(file.load(tables, path, startUpContext()));
    test::expectSameData(tables, SharedTables{}, "missing file");
    EXPECT_TRUE(dir.fileNames().empty());
}

TEST(DataFileConversion, LoadLeavesTheDefaultsAndWindowSettingsAlone)
{
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    test::writeFileBytes(path, test::goldenBytes("current-full.dat"));
    SharedTables tables;
    tables.defaults.message = "remembered";
    tables.window.dataPath = path;
    DataFile file;
    ASSERT_TRUE(file.load(tables, path, LoadContext{}));
    EXPECT_EQ(tables.defaults.message, "remembered");
    EXPECT_EQ(tables.window.dataPath, path);
}

} // namespace
} // namespace kvx
