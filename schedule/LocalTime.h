#pragma once

#include "core/OleDate.h"

#include <vector>

namespace kvx {

// The epoch (1970-01-01) in OleDate's whole seconds: its day 25569.
inline constexpr long long kEpochOleSeconds = 25569LL * 86400;

// How this computer's wall clock shows real time, changes of the clocks
// (daylight saving time) included. Instants are seconds since the epoch.
class LocalTime {
public:
    virtual ~LocalTime() = default;
    // The wall time at `epochSeconds`.
    virtual OleDate wallAt(long long epochSeconds) const = 0;
    // The first instant at which the wall clock shows `wall` or a later time:
    // for a time the clocks skip (the hour lost in spring), the end of the
    // gap; for one they show twice (the hour repeated in autumn), the first.
    virtual long long instantOf(OleDate wall) const = 0;
};

// A wall clock that never changes: its time is the real time in UTC.
class FixedLocalTime final : public LocalTime {
public:
    OleDate wallAt(long long epochSeconds) const override;
    long long instantOf(OleDate wall) const override;
};

// The whole minutes of wall time that the clocks skipped within the minute
// before `epochSeconds` (a gap that ended then): the bells of those minutes
// ring at this instant, the first one after the gap.
std::vector<OleDate> skippedMinutes(const LocalTime& local, long long epochSeconds);

} // namespace kvx
