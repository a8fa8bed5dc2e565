#pragma once

#include "core/OleDate.h"
#include "core/Records.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvx {

// The memo lists as the calendar window shows them: list c holds memos
// 0 .. memoCount(c) - 1 and one spare slot. Memo i is shown in row i + 1 of
// its grid, under the header row.

// The tab captions, which also name the categories in the peel-off log.
inline constexpr std::array<std::string_view, 3> kMemoCategoryNames = {"メモ", "連絡", "購入"};
// Every list shows at least this many memos; these are emptied, never removed.
inline constexpr int kMinimumMemos = 20;

int memoCount(const MemoLists& memos, int category);

// An empty list becomes kMinimumMemos empty memos.
void ensureMinimumMemos(MemoLists& memos);

// Peeling off memo `index`: the first kMinimumMemos are emptied, a memo past
// them is removed while more than kMinimumMemos remain.
bool peelRemovesMemo(const MemoLists& memos, int category, int index);
void peelMemo(MemoLists& memos, int category, int index);

// "空行削除": the non-empty memos move up in their order; the count stays.
void closeUpMemos(MemoLists& memos, int category);

// Where a dropped text goes: the first empty memo followed by another empty
// one; else the last memo when it is empty; else memoCount, a new memo.
int dropIndex(const MemoLists& memos, int category);

// Appends an empty memo and returns its index.
int appendMemo(MemoLists& memos, int category);

// The peel-off log's entry for a memo, UTF-8 with CR LF line ends: the
// category and the moment of peeling, the text, an empty line, and one more
// line end.
std::string peelLogEntry(int category, std::string_view text, OleDate now);

// The datagram that hands a memo to the sticky-note program, UTF-8 (it goes
// on the wire in code page 932). Its length field counts UTF-16 code units.
std::string memoDatagram(std::string_view text);

// The sticky-note program's port from the "PORTNUM" text: only a text of
// digits (full-width ones narrowed) names a port, and only 1 .. 65535.
std::optional<std::uint16_t> memoPort(std::string_view portText);

} // namespace kvx
