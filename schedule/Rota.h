#pragma once

#include "core/Records.h"

#include <chrono>
#include <string>
#include <vector>

namespace kvx {

// The rota's name index (0-based) for `day`: the first name on `firstDay`, the
// next one the day after, round and round, backwards as well. -1 without names.
int rotaIndex(int count, std::chrono::sys_days firstDay, std::chrono::sys_days day);

// The rota line of a day cell: " ", the name and a carriage return; " " and a
// carriage return without names.
std::string rotaCellLine(
    const std::vector<std::string>& names, std::chrono::sys_days firstDay, std::chrono::sys_days day);

// The rota name of a day in the stored table; empty when the rota has no names.
std::string routineNameOn(const RoutineList& routines, OleDate date);

// The rota as the editor's grid holds it until "ＯＫ" stores it. Rows are
// numbered 1..rowCount() as the grid shows them.
class RotaDraft {
public:
    RotaDraft() = default;
    // The names of `list`; a first day that is not set becomes `today`.
    RotaDraft(const RoutineList& list, std::chrono::sys_days today);

    void storeInto(RoutineList& list) const;

    int rowCount() const { return static_cast<int>(m_names.size()); }
    const std::string& name(int row) const { return m_names[static_cast<std::size_t>(row - 1)]; }
    void setName(int row, std::string name) { m_names[static_cast<std::size_t>(row - 1)] = std::move(name); }
    const std::vector<std::string>& names() const { return m_names; }
    std::chrono::sys_days firstDay() const { return m_firstDay; }
    void setFirstDay(std::chrono::sys_days day) { m_firstDay = day; }

    // "新規作成": the row to edit, the last one whose name is empty; without
    // one a row with an empty name is appended.
    struct NewRow {
        int row = 0;
        bool appended = false;
    };
    NewRow newRow();
    // "削除": false when there is nothing to delete.
    bool removeRow(int row);

private:
    std::vector<std::string> m_names;
    std::chrono::sys_days m_firstDay{};
};

// The grid is wider once it needs its vertical scroll bar (more than ten rows).
inline constexpr int kRotaRowTwips = 270;
inline constexpr int kRotaGridHeightTwips = 2520;
int rotaGridWidthTwips(int rowCount);

// Where the current row and the top visible row (both 1-based data rows) go.
struct RotaScroll {
    int current = 0;
    int top = 0;
};
// Enter on the grid: down one row while the current row is within nine rows of
// the top; further down the grid scrolls one row with it; nothing on the last row.
RotaScroll rotaEnterWalk(int rowCount, RotaScroll at);
// Leaving an edited row that lies eight or more rows below the top scrolls one row.
int rotaTopAfterLeaving(int rowCount, int editedRow, int top);

} // namespace kvx
