#pragma once

#include "core/Records.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace kvx {

// What a merge of the data file's tables brought together.
struct TableMerge {
    SharedTables merged; // the alarms, the rota and the memos; nothing else is set
    int alarmsFromTheirs = 0; // alarms added or changed on the other side only
    int alarmsRemovedByTheirs = 0; // alarms the other side removed
    int changedOnBothSides = 0; // alarms both sides changed: both versions are kept
    int alarmsLeftOut = 0; // alarms the full table could not take: `merged` lacks them
    // Where each merged alarm comes from: side 0 ours, 1 theirs, and its index there.
    struct Source {
        int side;
        std::size_t index;
    };
    std::vector<Source> alarmSources;
    int memosFromTheirs = 0;
    bool rotaFromTheirs = false;
    // The other side's rota when both sides changed it: ours is kept.
    std::optional<RoutineList> theirRotaSetAside;

    // Whether the other side brought anything into `merged`.
    bool tookAnything() const
    {
        return alarmsFromTheirs > 0 || alarmsRemovedByTheirs > 0 || memosFromTheirs > 0 || rotaFromTheirs;
    }
};

// A three-way merge of the tables two writers derived from one `base`: ours
// (this copy's) and theirs (the file another computer wrote). An alarm is
// known by its content. An addition on either side is kept, a removal on one
// side of an alarm the other left alone is made, and a change (a removal plus
// an addition) on one side is taken; an alarm changed on both sides is kept in
// both versions. Of an alarm both sides hold, the later last-ring times win.
// Each memo list merges by the same rule (theirs in its order, then ours
// added). The rota is the changed side's; changed on both, ours, theirs set aside.
TableMerge mergeTables(const SharedTables& base, const SharedTables& ours, const SharedTables& theirs);

// What two tables both hold: the alarms and memos of `a` that `b` holds too
// (as many times as both do), and a's rota. As the base of a merge it makes
// every difference of either side an addition: nothing is removed. It is the
// base for a copy whose ancestry is unknown, a sync service's conflict copy.
SharedTables commonTables(const SharedTables& a, const SharedTables& b);

} // namespace kvx
