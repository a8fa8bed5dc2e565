#include "schedule/Rota.h"

namespace kvx {

std::string routineNameOn(const RoutineList& routines, OleDate date)
{
    const int count = routines.routineCount;
    if (count <= 0 || routines.routineNames.size() < static_cast<std::size_t>(count)) {
        return {};
    }
    const auto days = static_cast<int>((date.day() - routines.routineStart.day()).count());
    const int position = ((days % count) + count) % count; // [0, count)
    return routines.routineNames[static_cast<std::size_t>(position)];
}

} // namespace kvx
