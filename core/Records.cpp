#include "core/Records.h"

namespace kvx {

bool AlarmTable::add(const AlarmRecord& record)
{
    if (alarmCount >= kMaxAlarms) {
        return false;
    }
    alarms.resize(static_cast<std::size_t>(alarmCount) + 1);
    alarms[static_cast<std::size_t>(alarmCount)] = record;
    ++alarmCount;
    alarms.resize(static_cast<std::size_t>(alarmCount) + 1);
    return true;
}

void AlarmTable::remove(int index)
{
    if (index < 0 || index >= alarmCount) {
        return;
    }
    alarms.erase(alarms.begin() + index);
    --alarmCount;
    alarms.resize(static_cast<std::size_t>(alarmCount) + 1);
}

} // namespace kvx
