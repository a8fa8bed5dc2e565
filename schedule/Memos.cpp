#include "schedule/Memos.h"

#include "schedule/EditorInput.h"

#include <algorithm>
#include <cstdio>

namespace kvx {

namespace {

std::vector<std::string>& listOf(MemoLists& memos, int category)
{
    return memos.lists.at(static_cast<std::size_t>(category));
}

// The characters of a UTF-8 text as UTF-16 counts them: one unit per
// character, two for one beyond the basic plane.
std::size_t utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0U) != 0x80U) {
            units += byte >= 0xF0U ? 2 : 1;
        }
    }
    return units;
}

} // namespace

int memoCount(const MemoLists& memos, int category)
{
    return memos.upper(category);
}

void ensureMinimumMemos(MemoLists& memos)
{
    for (int c = 0; c < static_cast<int>(memos.lists.size()); ++c) {
        if (memoCount(memos, c) <= 0) {
            listOf(memos, c).assign(kMinimumMemos + 1, std::string());
        }
    }
}

bool peelRemovesMemo(const MemoLists& memos, int category, int index)
{
    return index >= kMinimumMemos && index < memoCount(memos, category)
        && memoCount(memos, category) > kMinimumMemos;
}

void peelMemo(MemoLists& memos, int category, int index)
{
    std::vector<std::string>& list = listOf(memos, category);
    if (index < 0 || index >= memoCount(memos, category)) {
        return;
    }
    if (peelRemovesMemo(memos, category, index)) {
        list.erase(list.begin() + index);
    } else {
        list[static_cast<std::size_t>(index)].clear();
    }
}

void closeUpMemos(MemoLists& memos, int category)
{
    std::vector<std::string>& list = listOf(memos, category);
    const auto memoEnd = list.begin() + memoCount(memos, category);
    const auto filled
        = std::stable_partition(list.begin(), memoEnd, [](const std::string& text) { return !text.empty(); });
    std::for_each(filled, memoEnd, [](std::string& text) { text.clear(); });
}

int dropIndex(const MemoLists& memos, int category)
{
    const std::vector<std::string>& list = memos.lists.at(static_cast<std::size_t>(category));
    const int count = memoCount(memos, category);
    for (int i = 0; i + 1 < count; ++i) {
        if (list[static_cast<std::size_t>(i)].empty() && list[static_cast<std::size_t>(i) + 1].empty()) {
            return i;
        }
    }
    if (count > 0 && list[static_cast<std::size_t>(count) - 1].empty()) {
        return count - 1;
    }
    return count;
}

int appendMemo(MemoLists& memos, int category)
{
    std::vector<std::string>& list = listOf(memos, category);
    // The spare slot becomes the new memo, and a new spare follows it.
    list.back().clear();
    list.emplace_back();
    return memoCount(memos, category) - 1;
}

std::string peelLogEntry(int category, std::string_view text, OleDate now)
{
    const std::chrono::year_month_day date = now.ymd();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d/%02u/%02u %02d:%02d:%02d", static_cast<int>(date.year()) % 100,
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), now.hour(), now.minute(),
        now.second());
    std::string entry = "<";
    entry += kMemoCategoryNames.at(static_cast<std::size_t>(category));
    entry += ">[はがした日時=";
    entry += stamp;
    entry += "]\r\n";
    entry += text;
    entry += "\r\n\r\n\r\n";
    return entry;
}

std::string memoDatagram(std::string_view text)
{
    char length[16];
    std::snprintf(length, sizeof length, "%011zu", utf16Length(text));
    // The two numbers after the command belong to the receiving program; the
    // colour is its note colour RGB(255, 255, 152) with red in the low byte.
    std::string datagram = "NUURA:FORMSEND:00000004005:00000000325:10027007:";
    datagram += length;
    datagram += ':';
    datagram += text;
    return datagram;
}

std::optional<std::uint16_t> memoPort(std::string_view portText)
{
    const FilteredText digits = keepDigits(portText);
    if (digits.removed || digits.text.empty() || digits.text.size() > 5) {
        return std::nullopt;
    }
    const int port = std::stoi(digits.text);
    if (port < 1 || port > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(port);
}

} // namespace kvx
