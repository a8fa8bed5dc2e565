#include "schedule/Rota.h"

#include "ScheduleTestSupport.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using namespace std::chrono;

sys_days civil(int y, unsigned m, unsigned d)
{
    return sys_days{year{y} / month{m} / std::chrono::day{d}};
}

struct LookupRow {
    const char* name;
    sys_days date;
    const char* line;
};

class RotaLookupTest : public ::testing::TestWithParam<LookupRow> { };

TEST_P(RotaLookupTest, CountsFromTheFirstDayBothWays)
{
    const std::vector<std::string> names{"A", "B", "C"};
    EXPECT_EQ(rotaCellLine(names, civil(2004, 12, 1), GetParam().date), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Rota, RotaLookupTest,
    ::testing::Values(LookupRow{"d20041201", civil(2004, 12, 1), " A\r"},
        LookupRow{"d20041202", civil(2004, 12, 2), " B\r"},
        LookupRow{"d20041203", civil(2004, 12, 3), " C\r"},
        LookupRow{"d20041204", civil(2004, 12, 4), " A\r"},
        LookupRow{"d20041130", civil(2004, 11, 30), " C\r"},
        LookupRow{"d20041129", civil(2004, 11, 29), " B\r"},
        LookupRow{"d20041128", civil(2004, 11, 28), " A\r"},
        LookupRow{"d20041127", civil(2004, 11, 27), " C\r"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RotaLookupTest, OneNameEveryDayAndNoNamesNoName)
{
    for (int offset = -400; offset <= 400; ++offset) {
        const sys_days date = civil(2004, 12, 1) + days{offset};
        EXPECT_EQ(rotaCellLine({"当番"}, civil(2004, 12, 1), date), " 当番\r") << offset;
        EXPECT_EQ(rotaCellLine({}, civil(2004, 12, 1), date), " \r") << offset;
    }
    EXPECT_EQ(rotaIndex(0, civil(2004, 12, 1), civil(2004, 12, 1)), -1);
}

TEST(RotaDraftTest, TakesTheTableAndStoresItBackWithItsSpareSlot)
{
    RoutineList list;
    list.routineCount = 2;
    list.routineNames = {"早番", "遅番", ""};
    const RotaDraft unset(list, civil(2026, 12, 8));
    EXPECT_EQ(unset.firstDay(), civil(2026, 12, 8));
    list.routineStart = test::at(2004, 12, 1);
    RotaDraft draft(list, civil(2026, 12, 8));
    EXPECT_EQ(draft.firstDay(), civil(2004, 12, 1));
    ASSERT_EQ(draft.rowCount(), 2);
    EXPECT_EQ(draft.name(2), "遅番");
    draft.setName(1, "日勤");
    RoutineList stored;
    draft.storeInto(stored);
    EXPECT_EQ(stored.routineCount, 2);
    EXPECT_EQ(stored.routineNames, (std::vector<std::string>{"日勤", "遅番", ""}));
    EXPECT_EQ(stored.routineStart, test::at(2004, 12, 1));
}

TEST(RotaDraftTest, NewReusesTheLastEmptyRowAndDeleteShrinks)
{
    RotaDraft draft;
    EXPECT_FALSE(draft.removeRow(1));
    const RotaDraft::NewRow first = draft.newRow();
    EXPECT_EQ(first.row, 1);
    EXPECT_TRUE(first.appended);
    // Escape left the new row empty: the next "新規作成" edits it again.
    const RotaDraft::NewRow again = draft.newRow();
    EXPECT_EQ(again.row, 1);
    EXPECT_FALSE(again.appended);
    EXPECT_EQ(draft.rowCount(), 1);
    draft.setName(1, "A");
    EXPECT_EQ(draft.newRow().row, 2);
    draft.setName(2, "B");
    draft.setName(1, "");
    EXPECT_EQ(draft.newRow().row, 1);
    EXPECT_TRUE(draft.removeRow(1));
    EXPECT_TRUE(draft.removeRow(1));
    EXPECT_EQ(draft.rowCount(), 0);
    EXPECT_FALSE(draft.removeRow(0));
}

TEST(RotaGridTest, WidensPastTenRows)
{
    EXPECT_EQ(rotaGridWidthTwips(0), 3650);
    EXPECT_EQ(rotaGridWidthTwips(10), 3650);
    EXPECT_EQ(rotaGridWidthTwips(11), 3900);
}

struct WalkRow {
    const char* name;
    int rows;
    RotaScroll from;
    RotaScroll to;
};

class RotaWalkTest : public ::testing::TestWithParam<WalkRow> { };

TEST_P(RotaWalkTest, Moves)
{
    const WalkRow& row = GetParam();
    const RotaScroll to = rotaEnterWalk(row.rows, row.from);
    EXPECT_EQ(to.current, row.to.current);
    EXPECT_EQ(to.top, row.to.top);
}

INSTANTIATE_TEST_SUITE_P(Rota, RotaWalkTest,
    ::testing::Values(WalkRow{"FirstRowDown", 11, {1, 1}, {2, 1}},
        WalkRow{"NinthRowDown", 11, {9, 1}, {10, 1}}, WalkRow{"TenthRowScrolls", 11, {10, 1}, {11, 2}},
        WalkRow{"LastRowStays", 11, {11, 2}, {11, 2}}, WalkRow{"TenOfTenStays", 10, {10, 1}, {10, 1}},
        WalkRow{"TenthOfTwentyScrolls", 20, {12, 3}, {13, 4}},
        WalkRow{"EleventhOfTwelveScrolls", 12, {11, 2}, {12, 3}}, WalkRow{"NoRows", 0, {0, 1}, {0, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RotaWalkTest, LeavingAnEditedRowLowInTheGridScrollsOneRow)
{
    EXPECT_EQ(rotaTopAfterLeaving(11, 8, 1), 1);
    EXPECT_EQ(rotaTopAfterLeaving(11, 9, 1), 2);
    EXPECT_EQ(rotaTopAfterLeaving(20, 12, 4), 5);
}

} // namespace
} // namespace kvx
