#include "schedule/Rota.h"

#include <algorithm>

namespace kvx {

int rotaIndex(int count, std::chrono::sys_days firstDay, std::chrono::sys_days day)
{
    if (count <= 0) {
        return -1;
    }
    const long long k = (day - firstDay).count();
    // The remainder keeps the sign of k: before the first day it counts back.
    const long long r = k % count;
    return static_cast<int>(r < 0 ? r + count : r);
}

std::string rotaCellLine(
    const std::vector<std::string>& names, std::chrono::sys_days firstDay, std::chrono::sys_days day)
{
    const int index = rotaIndex(static_cast<int>(names.size()), firstDay, day);
    return index < 0 ? std::string(" \r") : " " + names[static_cast<std::size_t>(index)] + "\r";
}

std::string routineNameOn(const RoutineList& routines, OleDate date)
{
    if (routines.routineCount <= 0
        || routines.routineNames.size() < static_cast<std::size_t>(routines.routineCount)) {
        return {};
    }
    const int index = rotaIndex(routines.routineCount, routines.routineStart.day(), date.day());
    return routines.routineNames[static_cast<std::size_t>(index)];
}

RotaDraft::RotaDraft(const RoutineList& list, std::chrono::sys_days today)
    : m_firstDay(list.routineStart.isZero() ? today : list.routineStart.day())
{
    const auto count = static_cast<std::size_t>(std::max(0, list.routineCount));
    m_names.assign(list.routineNames.begin(),
        list.routineNames.begin() + static_cast<std::ptrdiff_t>(std::min(count, list.routineNames.size())));
    m_names.resize(count);
}

void RotaDraft::storeInto(RoutineList& list) const
{
    list.routineCount = static_cast<std::int32_t>(m_names.size());
    list.routineNames = m_names;
    list.routineNames.emplace_back();
    list.routineStart = OleDate::fromDay(m_firstDay);
}

RotaDraft::NewRow RotaDraft::newRow()
{
    const auto empty
        = std::find_if(m_names.rbegin(), m_names.rend(), [](const std::string& n) { return n.empty(); });
    if (empty != m_names.rend()) {
        return {static_cast<int>(m_names.rend() - empty), false};
    }
    m_names.emplace_back();
    return {rowCount(), true};
}

bool RotaDraft::removeRow(int row)
{
    if (row < 1 || row > rowCount()) {
        return false;
    }
    m_names.erase(m_names.begin() + (row - 1));
    return true;
}

int rotaGridWidthTwips(int rowCount)
{
    return rowCount > 10 ? 3900 : 3650;
}

RotaScroll rotaEnterWalk(int rowCount, RotaScroll at)
{
    if (at.current >= rowCount) {
        return at;
    }
    if (at.current - at.top < 9) {
        return {at.current + 1, at.top};
    }
    // The grid counts its header row: rows 1..rowCount lie below it.
    if (at.top + 9 < rowCount + 1) {
        return {at.current + 1, at.top + 1};
    }
    return at;
}

int rotaTopAfterLeaving(int rowCount, int editedRow, int top)
{
    return editedRow - top >= 8 && top < rowCount ? top + 1 : top;
}

} // namespace kvx
