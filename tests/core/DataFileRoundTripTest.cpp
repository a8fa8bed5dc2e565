#include "core/DataFile.h"
#include "core/DataFileCodec.h"
#include "tests/core/DataFileTestSupport.h"

#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace kvx {
namespace {

using test::TempDir;

// Random tables whose text code page 932 can hold: ASCII, kana, kanji, half-width
// katakana, line breaks and the characters with a 0x5C second byte.
class TableMaker {
public:
    explicit TableMaker(std::uint32_t seed)
        : m_random(seed)
    {
    }

    SharedTables tables()
    {
        SharedTables tables;
        tables.alarms.alarmCount = static_cast<std::int16_t>(number(0, 30));
        tables.alarms.alarms.clear();
        for (int i = 0; i <= tables.alarms.alarmCount; ++i) {
            tables.alarms.alarms.push_back(record());
        }
        tables.routines.routineCount = number(0, 20);
        tables.routines.routineStart = date();
        tables.routines.routineNames = strings(tables.routines.routineCount + 1);
        for (auto& list : tables.memos.lists) {
            list = strings(number(1, 20));
        }
        return tables;
    }

private:
    int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    std::int16_t int16() { return static_cast<std::int16_t>(number(-32768, 32767)); }
    std::int32_t int32() { return static_cast<std::int32_t>(m_random()); }

    OleDate date()
    {
        if (number(0, 4) == 0) {
            return OleDate();
        }
        return OleDate(std::uniform_real_distribution<double>(-657434.0, 2958465.0)(m_random));
    }

    std::string text()
    {
        static const char* const kPieces[] = {"a", "Z", "0", " ", "~", "\\", "\r\n", "あ", "漢", "字", "表",
            "ソ", "能", "ｱ", "ｶﾞ", "ｯ", "①", "～", "髙", "ー", "。", "Ⅹ", "㈱"};
        std::string result;
        for (int n = number(0, 12); n > 0; --n) {
            result += kPieces[number(0, std::size(kPieces) - 1)];
        }
        return result;
    }

    std::vector<std::string> strings(int count)
    {
        std::vector<std::string> result;
        result.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            result.push_back(text());
        }
        return result;
    }

    AlarmRecord record()
    {
        AlarmRecord r;
        r.startTime = date();
        r.endTime = date();
        r.kind = number(0, 3) == 0 ? int16() : static_cast<std::int16_t>(number(0, 11));
        r.weekdayMask = int16();
        r.lastPreAlarm = date();
        r.lastAlarm = date();
        r.preMode = int16();
        r.preMinutes = int16();
        r.blink = int16();
        r.message = text();
        r.sound = int16();
        r.soundFile = text();
        r.endless = int16();
        r.midiVolume = int32();
        r.waveVolume = int32();
        r.keepWindow = int16();
        r.blinkCount = int16();
        r.textColor = int32();
        r.backColor = int32();
        r.fontName = text();
        r.fontSize = int16();
        r.fontBold = int16();
        r.fontItalic = int16();
        r.fontUnderline = int16();
        r.fontStrikethru = int16();
        r.textColorIndex = int16();
        r.backColorIndex = int16();
        return r;
    }

    std::mt19937 m_random;
};

TEST(DataFileRoundTrip, RandomTablesComeBackUnchanged)
{
    TableMaker maker(20240229);
    for (int i = 0; i < 300; ++i) {
        const SharedTables original = maker.tables();
        SharedTables loaded;
        ASSERT_EQ(decodeDataFile(encodeDataFile(original), loaded, AlarmRecord{}), DecodeResult::Current)
            << i;
        test::expectSameData(loaded, original, "table " + std::to_string(i));
        if (HasFailure()) {
            return;
        }
    }
}

TEST(DataFileRoundTrip, RandomTablesComeBackFromTheDisk)
{
    TableMaker maker(7);
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    DataFile file;
    for (int i = 0; i < 10; ++i) {
        const SharedTables original = maker.tables();
        ASSERT_TRUE(file.save(original, path, OleDate())) << i;
        SharedTables loaded;
        ASSERT_TRUE(file.load(loaded, path, LoadContext{})) << i;
        test::expectSameData(loaded, original, "table " + std::to_string(i));
    }
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"Kalvendorix.dat"});
}

TEST(DataFileRoundTrip, TheLoadOrSaveProcedureGoesBothWays)
{
    TableMaker maker(11);
    TempDir dir;
    const std::string path = dir.path("Kalvendorix.dat");
    DataFile file;
    SharedTables original = maker.tables();
    ASSERT_TRUE(file.loadOrSaveDataFile(original, path, true, LoadContext{}));
    SharedTables loaded;
    ASSERT_TRUE(file.loadOrSaveDataFile(loaded, path, false, LoadContext{}));
    test::expectSameData(loaded, original, "saved and loaded");
}

} // namespace
} // namespace kvx
