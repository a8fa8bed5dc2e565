#include "core/OleDate.h"

#include <cmath>
#include <cstdio>

namespace kvx {

namespace {

constexpr long long kSecondsPerDay = 86400;

// Splits the value into (day offset from the epoch, seconds of the day), rounding
// the time to the nearest second and carrying into the next calendar day.
std::pair<long long, long long> split(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) {
        return {0, 0};
    }
    const double whole = std::trunc(value);
    auto days = static_cast<long long>(whole);
    auto seconds = std::llround(std::fabs(value - whole) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        days += 1;
    }
    return {days, seconds};
}

} // namespace

OleDate OleDate::fromDay(std::chrono::sys_days day, int secondsOfDay)
{
    const long long offset = (day - kOleEpoch).count();
    const double fraction = static_cast<double>(secondsOfDay) / kSecondsPerDay;
    return OleDate(
        offset >= 0 ? static_cast<double>(offset) + fraction : static_cast<double>(offset) - fraction);
}

OleDate OleDate::fromCivil(int year, int month, int day, int hour, int minute, int second)
{
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)}
        / std::chrono::day{static_cast<unsigned>(day)}};
    return fromDay(date, hour * 3600 + minute * 60 + second);
}

std::chrono::sys_days OleDate::day() const
{
    return kOleEpoch + std::chrono::days{split(m_value).first};
}

int OleDate::secondsOfDay() const
{
    return static_cast<int>(split(m_value).second);
}

long long OleDate::totalSeconds() const
{
    const auto [days, seconds] = split(m_value);
    return days * kSecondsPerDay + seconds;
}

OleDate OleDate::plusSeconds(long long seconds) const
{
    const long long total = totalSeconds() + seconds;
    long long days = total / kSecondsPerDay;
    long long rest = total % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        days -= 1;
    }
    return fromDay(kOleEpoch + std::chrono::days{days}, static_cast<int>(rest));
}

std::string OleDate::formatDate() const
{
    const auto date = ymd();
    char text[48];
    std::snprintf(text, sizeof text, "%04d/%02u/%02u", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

std::string OleDate::formatTime() const
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", hour(), minute());
    return text;
}

std::string OleDate::formatDateTime() const
{
    return formatDate() + " " + formatTime();
}

std::string OleDate::formatTimeSeconds() const
{
    char text[40];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour(), minute(), second());
    return text;
}

} // namespace kvx
