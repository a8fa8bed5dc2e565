#include "platform/QtLocalTime.h"

#include "platform/Clock.h"

#include <algorithm>

namespace kvx {

namespace {

constexpr long long kDay = 86400;

} // namespace

QtLocalTime::QtLocalTime(const QTimeZone& zone)
    : m_zone(zone)
{
}

OleDate QtLocalTime::wallAt(long long epochSeconds) const
{
    return Clock::wallOf(QDateTime::fromSecsSinceEpoch(epochSeconds, m_zone));
}

long long QtLocalTime::instantOf(OleDate wall) const
{
    // The wall time read as UTC, less each offset the zone has within a day
    // of it: the instants that may show it; the first that does is the one.
    const long long asUtc = wall.totalSeconds() - kEpochOleSeconds;
    const auto offsetAt = [this](long long instant) {
        return static_cast<long long>(m_zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(instant, Qt::UTC)));
    };
    const long long early = offsetAt(asUtc - kDay);
    const long long late = offsetAt(asUtc + kDay);
    long long first = -1;
    for (const long long offset : {early, late}) {
        const long long candidate = asUtc - offset;
        if (wallAt(candidate).totalSeconds() == wall.totalSeconds() && (first < 0 || candidate < first)) {
            first = candidate;
        }
    }
    if (first >= 0 || early == late) {
        return first >= 0 ? first : asUtc - early;
    }
    // In a gap: its end, the change of the clocks between the two candidates.
    const QTimeZone::OffsetData change
        = m_zone.previousTransition(QDateTime::fromSecsSinceEpoch(asUtc - std::min(early, late), Qt::UTC));
    return change.atUtc.isValid() ? change.atUtc.toSecsSinceEpoch() : asUtc - early;
}

} // namespace kvx
