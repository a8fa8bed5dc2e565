#pragma once

#include "core/OleDate.h"

#include <QDate>

#include <chrono>

namespace kvx {

// Julian day of 1970-01-01, the zero of sys_days.
inline constexpr qint64 kUnixJulianDay = 2440588;

// The day of a date control, at midnight.
inline OleDate oleOf(const QDate& date)
{
    return OleDate::fromCivil(date.year(), date.month(), date.day());
}

inline QDate qDateOf(std::chrono::sys_days day)
{
    return QDate::fromJulianDay(day.time_since_epoch().count() + kUnixJulianDay);
}

inline QDate qDateOf(OleDate date)
{
    return qDateOf(date.day());
}

inline std::chrono::sys_days dayOf(const QDate& date)
{
    return std::chrono::sys_days{std::chrono::days{date.toJulianDay() - kUnixJulianDay}};
}

} // namespace kvx
