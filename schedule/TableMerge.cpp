#include "schedule/TableMerge.h"

#include "core/AlarmIds.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

namespace kvx {

namespace {

using Counts = std::unordered_map<std::string, int>;

Counts countsOf(const std::vector<std::string>& keys)
{
    Counts counts;
    for (const std::string& key : keys) {
        ++counts[key];
    }
    return counts;
}

int countIn(const Counts& counts, const std::string& key)
{
    const auto found = counts.find(key);
    return found == counts.end() ? 0 : found->second;
}

// How many of one item the merge keeps, from how many each side holds.
int mergedCount(int base, int ours, int theirs)
{
    if (ours == base) {
        return theirs;
    }
    if (theirs == base) {
        return ours;
    }
    if (ours > base && theirs > base) {
        return std::max(ours, theirs); // both added it
    }
    if (ours < base && theirs < base) {
        return std::min(ours, theirs); // both removed it
    }
    return std::max(ours + theirs - base, 0);
}

// The merge of one sequence, items known by their keys: the `first` side's
// items in its order, then the `second` side's that are still wanted. Returns,
// for each item kept, its side (0 first, 1 second) and its index there.
struct Kept {
    int side;
    std::size_t index;
};
struct SequenceMerge {
    std::vector<Kept> kept;
    int fromSecond = 0; // items the second side added
    int droppedFromFirst = 0; // items of the first side the second removed
    int changedOnBothSides = 0;
};

SequenceMerge mergeSequence(const std::vector<std::string>& base, const std::vector<std::string>& first,
    const std::vector<std::string>& second)
{
    const Counts b = countsOf(base);
    const Counts f = countsOf(first);
    const Counts s = countsOf(second);
    Counts wanted;
    int removedByBoth = 0;
    int addedByFirstOnly = 0;
    int addedBySecondOnly = 0;
    auto consider = [&](const std::string& key) {
        if (wanted.contains(key)) {
            return;
        }
        const int inBase = countIn(b, key);
        const int inFirst = countIn(f, key);
        const int inSecond = countIn(s, key);
        wanted[key] = mergedCount(inBase, inFirst, inSecond);
        if (inFirst < inBase && inSecond < inBase) {
            removedByBoth += inBase - std::max(inFirst, inSecond);
        }
        addedByFirstOnly += std::max(inFirst - std::max(inBase, inSecond), 0);
        addedBySecondOnly += std::max(inSecond - std::max(inBase, inFirst), 0);
    };
    for (const auto* side : {&base, &first, &second}) {
        std::for_each(side->begin(), side->end(), consider);
    }
    SequenceMerge result;
    Counts emitted;
    for (std::size_t i = 0; i < first.size(); ++i) {
        int& count = emitted[first[i]];
        if (count < wanted[first[i]]) {
            ++count;
            result.kept.push_back({0, i});
        } else {
            ++result.droppedFromFirst;
        }
    }
    for (std::size_t i = 0; i < second.size(); ++i) {
        int& count = emitted[second[i]];
        if (count < wanted[second[i]]) {
            ++count;
            result.kept.push_back({1, i});
            ++result.fromSecond;
        }
    }
    // A change on both sides shows as one alarm gone from both and a different
    // one added on each.
    result.changedOnBothSides = std::min({removedByBoth, addedByFirstOnly, addedBySecondOnly});
    return result;
}

void mergeAlarms(const AlarmTable& base, const AlarmTable& ours, const AlarmTable& theirs, TableMerge& merge)
{
    const std::vector<std::string> ourKeys = alarmContentKeys(ours);
    const std::vector<std::string> theirKeys = alarmContentKeys(theirs);
    const SequenceMerge sequence = mergeSequence(alarmContentKeys(base), ourKeys, theirKeys);
    std::unordered_map<std::string, std::size_t> firstOfTheirs;
    for (std::size_t i = 0; i < theirKeys.size(); ++i) {
        firstOfTheirs.emplace(theirKeys[i], i);
    }
    merge.alarmsFromTheirs = sequence.fromSecond;
    merge.alarmsRemovedByTheirs = sequence.droppedFromFirst;
    merge.changedOnBothSides = sequence.changedOnBothSides;
    AlarmTable& merged = merge.merged.alarms;
    if (ours == base) {
        merged = theirs; // nothing of ours to keep: their file as it stands
        for (int i = 0; i < theirs.alarmCount; ++i) {
            merge.alarmSources.push_back({1, static_cast<std::size_t>(i)});
        }
        return;
    }
    for (const Kept& kept : sequence.kept) {
        if (kept.side == 1) {
            if (merged.add(theirs.alarms[kept.index])) {
                merge.alarmSources.push_back({1, kept.index});
            } else {
                ++merge.alarmsLeftOut;
            }
            continue;
        }
        AlarmRecord alarm = ours.alarms[kept.index];
        // A bell rung on either computer does not ring again on the other.
        if (const auto found = firstOfTheirs.find(ourKeys[kept.index]); found != firstOfTheirs.end()) {
            const AlarmRecord& their = theirs.alarms[found->second];
            alarm.lastAlarm = std::max(alarm.lastAlarm, their.lastAlarm);
            alarm.lastPreAlarm = std::max(alarm.lastPreAlarm, their.lastPreAlarm);
        }
        if (merged.add(alarm)) {
            merge.alarmSources.push_back({0, kept.index});
        } else {
            ++merge.alarmsLeftOut;
        }
    }
}

// The items of `a` that `b` holds as well, as many times as both do, in a's order.
std::vector<std::size_t> commonItems(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    Counts left = countsOf(b);
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (int& count = left[a[i]]; count > 0) {
            --count;
            kept.push_back(i);
        }
    }
    return kept;
}

// A memo list without its spare slot.
std::vector<std::string> memosOf(const std::vector<std::string>& list)
{
    return list.empty() ? list : std::vector<std::string>(list.begin(), list.end() - 1);
}

} // namespace

TableMerge mergeTables(const SharedTables& base, const SharedTables& ours, const SharedTables& theirs)
{
    TableMerge merge;
    mergeAlarms(base.alarms, ours.alarms, theirs.alarms, merge);

    for (std::size_t list = 0; list < ours.memos.lists.size(); ++list) {
        const std::vector<std::string> theirMemos = memosOf(theirs.memos.lists[list]);
        const std::vector<std::string> ourMemos = memosOf(ours.memos.lists[list]);
        // Theirs in its order, then ours added.
        const SequenceMerge sequence = mergeSequence(memosOf(base.memos.lists[list]), theirMemos, ourMemos);
        std::vector<std::string>& merged = merge.merged.memos.lists[list];
        merged.clear();
        merged.reserve(sequence.kept.size() + 1);
        for (const Kept& kept : sequence.kept) {
            merged.push_back(kept.side == 0 ? theirMemos[kept.index] : ourMemos[kept.index]);
        }
        merged.emplace_back();
        // What theirs brought: its items ours lacked, and ours it removed.
        const SequenceMerge fromOurs = mergeSequence(memosOf(base.memos.lists[list]), ourMemos, theirMemos);
        merge.memosFromTheirs += fromOurs.fromSecond + fromOurs.droppedFromFirst;
    }

    if (ours.routines == base.routines) {
        merge.merged.routines = theirs.routines;
        merge.rotaFromTheirs = theirs.routines != base.routines;
    } else {
        merge.merged.routines = ours.routines;
        if (theirs.routines != base.routines && theirs.routines != ours.routines) {
            merge.theirRotaSetAside = theirs.routines;
        }
    }
    return merge;
}

SharedTables commonTables(const SharedTables& a, const SharedTables& b)
{
    SharedTables common;
    for (const std::size_t i : commonItems(alarmContentKeys(a.alarms), alarmContentKeys(b.alarms))) {
        common.alarms.add(a.alarms.alarms[i]);
    }
    for (std::size_t list = 0; list < a.memos.lists.size(); ++list) {
        const std::vector<std::string> memos = memosOf(a.memos.lists[list]);
        std::vector<std::string>& kept = common.memos.lists[list];
        kept.clear();
        for (const std::size_t i : commonItems(memos, memosOf(b.memos.lists[list]))) {
            kept.push_back(memos[i]);
        }
        kept.emplace_back();
    }
    common.routines = a.routines;
    return common;
}

} // namespace kvx
