#include "schedule/Memos.h"

#include "core/Cp932.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

// A list of the given memos ("" empty), padded with empty ones to `count`.
MemoLists listOf(std::vector<std::string> memos, int count = 0)
{
    memos.resize(std::max(memos.size(), static_cast<std::size_t>(count)));
    memos.emplace_back(); // the spare slot
    MemoLists lists;
    lists.lists[MemoLists::kPurchase] = std::move(memos);
    return lists;
}

std::vector<std::string> memosOf(const MemoLists& lists)
{
    const auto& list = lists.lists[MemoLists::kPurchase];
    return {list.begin(), list.end() - 1};
}

TEST(Memos, EmptyListsGetTwentyRowsAndFilledOnesKeepTheirs)
{
    MemoLists lists = listOf({"牛乳"});
    ensureMinimumMemos(lists);
    EXPECT_EQ(memoCount(lists, MemoLists::kMemo), 20);
    EXPECT_EQ(memoCount(lists, MemoLists::kContact), 20);
    EXPECT_EQ(memoCount(lists, MemoLists::kPurchase), 1);
    EXPECT_EQ(lists.lists[MemoLists::kMemo].size(), 21U);
}

TEST(Memos, PeelEmptiesTheFirstTwentyAndRemovesLaterRows)
{
    struct Row {
        int count;
        int index; // 0-based: row index + 1 of the grid
        bool removed;
        int countAfter;
    };
    for (const Row row : {Row{20, 4, false, 20}, Row{21, 20, true, 20}, Row{21, 19, false, 21},
             Row{22, 21, true, 21}, Row{25, 22, true, 24}, Row{20, 19, false, 20}}) {
        std::vector<std::string> memos;
        memos.reserve(static_cast<std::size_t>(row.count));
        for (int i = 0; i < row.count; ++i) {
            memos.push_back("m" + std::to_string(i));
        }
        MemoLists lists = listOf(memos);
        EXPECT_EQ(peelRemovesMemo(lists, MemoLists::kPurchase, row.index), row.removed) << row.count;
        peelMemo(lists, MemoLists::kPurchase, row.index);
        ASSERT_EQ(memoCount(lists, MemoLists::kPurchase), row.countAfter) << row.count << " " << row.index;
        const std::string now = lists.lists[MemoLists::kPurchase][static_cast<std::size_t>(row.index)];
        EXPECT_EQ(
            now, row.removed ? (row.index + 1 < row.count ? "m" + std::to_string(row.index + 1) : "") : "")
            << row.count << " " << row.index;
        EXPECT_TRUE(lists.lists[MemoLists::kPurchase].back().empty());
    }
}

TEST(Memos, CloseUpAndDropRow)
{
    MemoLists lists = listOf({"A", "", "B", "", "C"}, 20);
    closeUpMemos(lists, MemoLists::kPurchase);
    std::vector<std::string> expected = {"A", "B", "C"};
    expected.resize(20);
    EXPECT_EQ(memosOf(lists), expected);

    struct Row {
        std::vector<std::string> memos;
        int count;
        int drop;
    };
    std::vector<std::string> full(20, "x");
    std::vector<std::string> lastEmpty(20, "x");
    lastEmpty.back() = "";
    const std::vector<Row> rows = {
        {{"A", "", "B", "", ""}, 20, 3}, // the first empty row followed by an empty one
        {{"A", "", "B"}, 20, 3},
        {lastEmpty, 20, 19}, // no pair: the last row when it is empty
        {full, 20, 20}, // a full list: a new row
        {{}, 20, 0},
    };
    for (const Row& row : rows) {
        const MemoLists dropped = listOf(row.memos, row.count);
        EXPECT_EQ(dropIndex(dropped, MemoLists::kPurchase), row.drop) << row.memos.size();
    }
    MemoLists grown = listOf(full);
    EXPECT_EQ(appendMemo(grown, MemoLists::kPurchase), 20);
    EXPECT_EQ(memoCount(grown, MemoLists::kPurchase), 21);
    EXPECT_EQ(grown.lists[MemoLists::kPurchase].size(), 22U);
}

TEST(Memos, PeelLogEntryBytesInCodePage932)
{
    const std::string entry
        = toCp932(peelLogEntry(MemoLists::kPurchase, "牛乳", OleDate::fromCivil(2026, 3, 7, 18, 5, 9)));
    // "<購入>[はがした日時=26/03/07 18:05:09]" CR LF "牛乳" CR LF CR LF CR LF
    const std::string expected = "<\x8d\x77\x93\xfc>[\x82\xcd\x82\xaa\x82\xb5\x82\xbd\x93\xfa\x8e\x9e="
                                 "26/03/07 18:05:09]\r\n\x8b\x8d\x93\xfb\r\n\r\n\r\n";
    EXPECT_EQ(entry, expected);
    EXPECT_EQ(peelLogEntry(MemoLists::kMemo, "", OleDate::fromCivil(2009, 12, 31, 0, 0, 0)),
        "<メモ>[はがした日時=09/12/31 00:00:00]\r\n\r\n\r\n\r\n");
}

TEST(Memos, DatagramAndPortRules)
{
    EXPECT_EQ(memoDatagram("買い物:牛乳"),
        "NUURA:FORMSEND:00000004005:00000000325:10027007:00000000006:買い物:牛乳");
    EXPECT_EQ(memoDatagram(""), "NUURA:FORMSEND:00000004005:00000000325:10027007:00000000000:");
    // A character beyond the basic plane counts two UTF-16 units.
    EXPECT_EQ(memoDatagram("a😀").substr(48, 11), "00000000003");

    struct Row {
        const char* text;
        std::optional<std::uint16_t> port;
    };
    for (const Row row : {Row{"5000", 5000}, Row{"５０００", 5000}, Row{"65535", 65535},
             Row{"", std::nullopt}, Row{"50a", std::nullopt}, Row{"-50", std::nullopt},
             Row{"+50", std::nullopt}, Row{" 50", std::nullopt}, Row{"0", std::nullopt},
             Row{"65536", std::nullopt}, Row{"123456", std::nullopt}}) {
        EXPECT_EQ(memoPort(row.text), row.port) << row.text;
    }
}

} // namespace
} // namespace kvx
