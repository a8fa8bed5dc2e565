#pragma once

#include <chrono>
#include <compare>
#include <string>

namespace kvx {

// A date and time as the data file stores it: days since 1899-12-30 00:00 as a
// double, the fraction being the time of day. The value 0 (the zero date) means
// "not set" or "never". Before the epoch the whole part counts days back and the
// fraction still counts time forward (-1.25 is 1899-12-29 06:00).
class OleDate {
public:
    constexpr OleDate() = default;
    constexpr explicit OleDate(double value)
        : m_value(value)
    {
    }

    static OleDate fromDay(std::chrono::sys_days day, int secondsOfDay = 0);
    static OleDate fromCivil(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

    constexpr double value() const { return m_value; }
    constexpr bool isZero() const { return m_value == 0.0; }

    // Calendar date and time of day, rounded to the nearest second.
    std::chrono::sys_days day() const;
    std::chrono::year_month_day ymd() const { return std::chrono::year_month_day{day()}; }
    int secondsOfDay() const; // [0, 86399]
    int hour() const { return secondsOfDay() / 3600; }
    int minute() const { return secondsOfDay() / 60 % 60; }
    int second() const { return secondsOfDay() % 60; }
    int minuteOfDay() const { return secondsOfDay() / 60; } // [0, 1439]

    OleDate dateOnly() const { return fromDay(day()); }
    OleDate plusSeconds(long long seconds) const;
    OleDate plusDays(int days) const { return fromDay(day() + std::chrono::days{days}, secondsOfDay()); }

    // Whole seconds since the epoch, the ordering of instants.
    long long totalSeconds() const;

    // "yyyy/mm/dd", "hh:nn", "yyyy/mm/dd hh:nn", "hh:nn:ss".
    std::string formatDate() const;
    std::string formatTime() const;
    std::string formatDateTime() const;
    std::string formatTimeSeconds() const;

    friend constexpr bool operator==(OleDate a, OleDate b) { return a.m_value == b.m_value; }
    friend constexpr auto operator<=>(OleDate a, OleDate b) { return a.m_value <=> b.m_value; }

private:
    double m_value = 0.0;
};

// The calendar day of the epoch, 1899-12-30.
inline constexpr std::chrono::sys_days kOleEpoch
    = std::chrono::sys_days{std::chrono::year{1899} / std::chrono::December / 30};

} // namespace kvx
