#include "schedule/LocalTime.h"

namespace kvx {

OleDate FixedLocalTime::wallAt(long long epochSeconds) const
{
    return OleDate().plusSeconds(epochSeconds + kEpochOleSeconds);
}

long long FixedLocalTime::instantOf(OleDate wall) const
{
    return wall.totalSeconds() - kEpochOleSeconds;
}

std::vector<OleDate> skippedMinutes(const LocalTime& local, long long epochSeconds)
{
    std::vector<OleDate> skipped;
    const long long now = local.wallAt(epochSeconds).totalSeconds();
    const long long before = local.wallAt(epochSeconds - 60).totalSeconds();
    // Sixty seconds of wall time passed in sixty real ones: nothing skipped.
    if (now - before <= 60) {
        return skipped;
    }
    for (long long minute = (before / 60 + 1) * 60; minute < now; minute += 60) {
        const OleDate wall = OleDate().plusSeconds(minute);
        if (local.wallAt(local.instantOf(wall)).totalSeconds() != minute) {
            skipped.push_back(wall);
        }
    }
    return skipped;
}

} // namespace kvx
