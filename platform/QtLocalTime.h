#pragma once

#include "schedule/LocalTime.h"

#include <QTimeZone>

namespace kvx {

// The wall clock of a time zone, by Qt's zone data (the system's tzdata).
class QtLocalTime final : public LocalTime {
public:
    explicit QtLocalTime(const QTimeZone& zone = QTimeZone::systemTimeZone());

    OleDate wallAt(long long epochSeconds) const override;
    long long instantOf(OleDate wall) const override;

private:
    QTimeZone m_zone;
};

} // namespace kvx
