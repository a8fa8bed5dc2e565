#include "schedule/Holidays.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace kvx {

using namespace std::chrono;

namespace {

constexpr sys_days kFirstHolidayDay{year{1948} / July / 20};
constexpr sys_days kSubstituteLawDay{year{1973} / April / 12};
constexpr sys_days kCitizensLawDay{year{1985} / December / 27};
// From 2007 a substitute holiday moves on past further holidays, and a
// citizens' holiday no longer gives way to Sundays and substitute holidays.
constexpr sys_days kLaw2007Day{year{2007} / January / 1};

constexpr std::string_view kSubstituteName = "振替休日";
constexpr std::string_view kCitizensName = "国民の休日";

constexpr int kOpenEnd = 32767;

enum class Kind { Fixed, NthMonday, VernalEquinox, AutumnalEquinox };

struct Rule {
    unsigned month;
    Kind kind;
    unsigned number; // day of month for Fixed, n for NthMonday
    int firstYear;
    int lastYear;
    std::string_view name;
};

// The national holidays and the ceremony days that counted as such, by month.
// A one-off day is a fixed day valid for one year.
constexpr Rule kRules[] = {
    {1, Kind::Fixed, 1, 1948, kOpenEnd, "元日"},
    {1, Kind::Fixed, 15, 1948, 1999, "成人の日"},
    {1, Kind::NthMonday, 2, 2000, kOpenEnd, "成人の日"},
    {2, Kind::Fixed, 11, 1967, kOpenEnd, "建国記念の日"},
    {2, Kind::Fixed, 23, 2020, kOpenEnd, "天皇誕生日"},
    {2, Kind::Fixed, 24, 1989, 1989, "昭和天皇の大喪の礼"},
    {3, Kind::VernalEquinox, 0, 1948, kOpenEnd, "春分の日"},
    {4, Kind::Fixed, 29, 1948, 1988, "天皇誕生日"},
    {4, Kind::Fixed, 29, 1989, 2006, "みどりの日"},
    {4, Kind::Fixed, 29, 2007, kOpenEnd, "昭和の日"},
    {4, Kind::Fixed, 10, 1959, 1959, "皇太子明仁親王の結婚の儀"},
    {5, Kind::Fixed, 1, 2019, 2019, "即位の日"},
    {5, Kind::Fixed, 3, 1948, kOpenEnd, "憲法記念日"},
    {5, Kind::Fixed, 4, 2007, kOpenEnd, "みどりの日"},
    {5, Kind::Fixed, 5, 1948, kOpenEnd, "こどもの日"},
    {6, Kind::Fixed, 9, 1993, 1993, "皇太子徳仁親王の結婚の儀"},
    {7, Kind::Fixed, 20, 1996, 2002, "海の日"},
    {7, Kind::NthMonday, 3, 2003, 2019, "海の日"},
    {7, Kind::NthMonday, 3, 2022, kOpenEnd, "海の日"},
    // The summer games of 2020 and 2021 moved three holidays around their opening and closing.
    {7, Kind::Fixed, 23, 2020, 2020, "海の日"},
    {7, Kind::Fixed, 24, 2020, 2020, "スポーツの日"},
    {7, Kind::Fixed, 22, 2021, 2021, "海の日"},
    {7, Kind::Fixed, 23, 2021, 2021, "スポーツの日"},
    {8, Kind::Fixed, 11, 2016, 2019, "山の日"},
    {8, Kind::Fixed, 11, 2022, kOpenEnd, "山の日"},
    {8, Kind::Fixed, 10, 2020, 2020, "山の日"},
    {8, Kind::Fixed, 8, 2021, 2021, "山の日"},
    {9, Kind::AutumnalEquinox, 0, 1948, kOpenEnd, "秋分の日"},
    {9, Kind::Fixed, 15, 1966, 2002, "敬老の日"},
    {9, Kind::NthMonday, 3, 2003, kOpenEnd, "敬老の日"},
    {10, Kind::Fixed, 10, 1966, 1999, "体育の日"},
    {10, Kind::NthMonday, 2, 2000, 2019, "体育の日"},
    {10, Kind::NthMonday, 2, 2022, kOpenEnd, "スポーツの日"},
    {10, Kind::Fixed, 22, 2019, 2019, "即位礼正殿の儀"},
    {11, Kind::Fixed, 3, 1948, kOpenEnd, "文化の日"},
    {11, Kind::Fixed, 23, 1948, kOpenEnd, "勤労感謝の日"},
    {11, Kind::Fixed, 12, 1990, 1990, "即位礼正殿の儀"},
    {12, Kind::Fixed, 23, 1989, 2018, "天皇誕生日"},
};

constexpr std::size_t kRuleCount = std::size(kRules);

// monthStart[m] is the first rule of month m; monthStart[13] is the end.
constexpr std::array<std::size_t, 14> kMonthStart = [] {
    std::array<std::size_t, 14> start{};
    std::size_t i = 0;
    for (unsigned m = 1; m <= 13; ++m) {
        while (i < kRuleCount && kRules[i].month < m) {
            ++i;
        }
        start[m] = i;
    }
    return start;
}();

constexpr bool rulesSortedByMonth()
{
    for (std::size_t i = 1; i < kRuleCount; ++i) {
        if (kRules[i - 1].month > kRules[i].month) {
            return false;
        }
    }
    return true;
}
static_assert(rulesSortedByMonth(), "the month index needs the rules in month order");

bool matches(const Rule& rule, sys_days day, const year_month_day& ymd, int y)
{
    if (y < rule.firstYear || y > rule.lastYear) {
        return false;
    }
    const unsigned d = static_cast<unsigned>(ymd.day());
    switch (rule.kind) {
    case Kind::Fixed:
        return d == rule.number;
    case Kind::NthMonday:
        return weekday_indexed{weekday{day}, (d - 1) / 7 + 1} == Monday[rule.number];
    case Kind::VernalEquinox:
        return static_cast<int>(d) == vernalEquinoxDay(y);
    case Kind::AutumnalEquinox:
        return static_cast<int>(d) == autumnalEquinoxDay(y);
    }
    return false;
}

std::string_view nationalHoliday(sys_days day)
{
    if (day < kFirstHolidayDay) {
        return {};
    }
    const year_month_day ymd{day};
    const int y = static_cast<int>(ymd.year());
    const unsigned m = static_cast<unsigned>(ymd.month());
    for (std::size_t i = kMonthStart[m]; i < kMonthStart[m + 1]; ++i) {
        if (matches(kRules[i], day, ymd, y)) {
            return kRules[i].name;
        }
    }
    return {};
}

bool isNational(sys_days day)
{
    return !nationalHoliday(day).empty();
}

// For a day that is no national holiday: a national holiday on a Sunday gives
// the Monday off, and from 2007 the first following day that is no holiday.
bool isSubstitute(sys_days day)
{
    if (day < kSubstituteLawDay) {
        return false;
    }
    if (day < kLaw2007Day) {
        return weekday{day} == Monday && isNational(day - days{1});
    }
    for (sys_days before = day - days{1}; isNational(before); before -= days{1}) {
        if (weekday{before} == Sunday) {
            return true;
        }
    }
    return false;
}

// For a day that is no national holiday: a day between two national holidays
// is a day off.
bool isCitizensHoliday(sys_days day)
{
    if (day < kCitizensLawDay || !isNational(day - days{1}) || !isNational(day + days{1})) {
        return false;
    }
    return day >= kLaw2007Day || (weekday{day} != Sunday && !isSubstitute(day));
}

// The usual approximation of the equinox day for the years it is fitted to.
int equinoxDay(int y, double constantTo1979, double constantTo2099, double constantTo2150)
{
    if (y < 1948 || y > 2150) {
        return 99;
    }
    const double yearsFrom1980 = y - 1980;
    double constant = constantTo2150;
    double leapDays = std::trunc(yearsFrom1980 / 4.0);
    if (y <= 1979) {
        constant = constantTo1979;
        leapDays = std::trunc((y - 1983) / 4.0);
    } else if (y <= 2099) {
        constant = constantTo2099;
    }
    return static_cast<int>(std::trunc(constant + 0.242194 * yearsFrom1980 - leapDays));
}

} // namespace

int vernalEquinoxDay(int year)
{
    return equinoxDay(year, 20.8357, 20.8431, 21.851);
}

int autumnalEquinoxDay(int year)
{
    return equinoxDay(year, 23.2588, 23.2488, 24.2488);
}

std::string_view baseHoliday(sys_days day)
{
    const std::string_view name = nationalHoliday(day);
    if (!name.empty()) {
        return name;
    }
    return isCitizensHoliday(day) ? kCitizensName : std::string_view{};
}

std::string_view holidayName(sys_days day)
{
    const std::string_view name = nationalHoliday(day);
    if (!name.empty()) {
        return name;
    }
    if (isSubstitute(day)) {
        return kSubstituteName;
    }
    return isCitizensHoliday(day) ? kCitizensName : std::string_view{};
}

std::string_view holidayName(OleDate date)
{
    return holidayName(date.day());
}

} // namespace kvx
