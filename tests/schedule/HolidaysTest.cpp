#include "schedule/Holidays.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <string_view>

namespace kvx {
namespace {

using namespace std::chrono;

sys_days parseIso(std::string_view text)
{
    int y = 0;
    unsigned m = 0;
    unsigned d = 0;
    std::from_chars(text.data(), text.data() + 4, y);
    std::from_chars(text.data() + 5, text.data() + 7, m);
    std::from_chars(text.data() + 8, text.data() + 10, d);
    const year_month_day ymd{year{y}, month{m}, day{d}};
    EXPECT_TRUE(ymd.ok()) << text;
    return sys_days{ymd};
}

std::string isoText(sys_days day)
{
    const year_month_day ymd{day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
        static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return text;
}

// The official list of days off, date to name as the list writes it.
std::map<sys_days, std::string> loadOfficialList()
{
    std::map<sys_days, std::string> list;
    std::ifstream in(KVX_TEST_DATA_DIR "/holidays/jp-holidays-cabinet-office.csv");
    EXPECT_TRUE(in.is_open()) << "the official list is missing from " KVX_TEST_DATA_DIR "/holidays";
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() > 11 && line[10] == ',') {
            list.emplace(parseIso(line), line.substr(11));
        }
    }
    return list;
}

// The list writes both kinds of day off as "休日": one that follows an
// unbroken run of holidays starting with a national holiday on a Sunday is a
// substitute holiday, any other one lies between two holidays.
std::string dayOffName(const std::map<sys_days, std::string>& list, sys_days day)
{
    for (sys_days before = day - days{1}; list.contains(before); before -= days{1}) {
        if (weekday{before} == Sunday && list.at(before) != "休日") {
            return "振替休日";
        }
    }
    return "国民の休日";
}

TEST(Holidays, EveryDayOfTheOfficialYearsMatchesTheOfficialList)
{
    struct Renamed {
        const char* date;
        const char* officialName;
        const char* name;
    };
    const Renamed renamedRows[] = {
        {"1959-04-10", "結婚の儀", "皇太子明仁親王の結婚の儀"},
        {"1989-02-24", "大喪の礼", "昭和天皇の大喪の礼"},
        {"1990-11-12", "即位礼正殿の儀", "即位礼正殿の儀"},
        {"1993-06-09", "結婚の儀", "皇太子徳仁親王の結婚の儀"},
        {"2019-05-01", "休日（祝日扱い）", "即位の日"},
        {"2019-10-14", "体育の日（スポーツの日）", "体育の日"},
        {"2019-10-22", "休日（祝日扱い）", "即位礼正殿の儀"},
    };
    const std::map<sys_days, std::string> list = loadOfficialList();
    ASSERT_EQ(list.size(), 1067u);

    std::map<sys_days, std::string> expected;
    for (const auto& [day, officialName] : list) {
        expected[day] = officialName == "休日" ? dayOffName(list, day) : officialName;
    }
    for (const Renamed& row : renamedRows) {
        const sys_days day = parseIso(row.date);
        ASSERT_TRUE(list.contains(day)) << row.date;
        EXPECT_EQ(list.at(day), row.officialName) << row.date;
        expected[day] = row.name;
    }

    int holidays = 0;
    for (sys_days day = parseIso("1955-01-01"); day <= parseIso("2027-12-31"); day += days{1}) {
        const auto found = expected.find(day);
        const std::string want = found == expected.end() ? "" : found->second;
        EXPECT_EQ(holidayName(day), want) << isoText(day) << " is " << holidayName(day) << ", not " << want;
        holidays += holidayName(day).empty() ? 0 : 1;
    }
    EXPECT_EQ(holidays, 1067);
}

TEST(Holidays, NamedDays)
{
    struct Row {
        const char* date;
        const char* name;
    };
    const Row rows[] = {
        {"1948-05-03", ""},
        {"1948-07-19", ""},
        {"1948-09-23", "秋分の日"},
        {"1948-11-03", "文化の日"},
        {"1949-01-01", "元日"},
        {"1950-03-21", "春分の日"},
        {"1950-03-22", ""},
        {"1959-04-10", "皇太子明仁親王の結婚の儀"},
        {"1966-09-15", "敬老の日"},
        {"1973-02-12", ""},
        {"1973-04-30", "振替休日"},
        {"1985-05-04", ""},
        {"1986-05-04", ""},
        {"1987-05-04", "振替休日"},
        {"1988-05-04", "国民の休日"},
        {"1988-04-29", "天皇誕生日"},
        {"1989-04-29", "みどりの日"},
        {"1989-12-23", "天皇誕生日"},
        {"1992-05-04", "振替休日"},
        {"1993-06-09", "皇太子徳仁親王の結婚の儀"},
        {"1999-01-15", "成人の日"},
        {"2000-01-10", "成人の日"},
        {"2000-01-15", ""},
        {"2006-05-04", "国民の休日"},
        {"2007-04-29", "昭和の日"},
        {"2007-04-30", "振替休日"},
        {"2007-05-04", "みどりの日"},
        {"2008-05-05", "こどもの日"},
        {"2008-05-06", "振替休日"},
        {"2009-05-06", "振替休日"},
        {"2009-09-22", "国民の休日"},
        {"2015-08-11", ""},
        {"2016-08-11", "山の日"},
        {"2018-12-23", "天皇誕生日"},
        {"2018-12-24", "振替休日"},
        {"2019-04-30", "国民の休日"},
        {"2019-05-01", "即位の日"},
        {"2019-05-02", "国民の休日"},
        {"2019-05-06", "振替休日"},
        {"2019-10-14", "体育の日"},
        {"2019-10-22", "即位礼正殿の儀"},
        {"2019-12-23", ""},
        {"2020-02-23", "天皇誕生日"},
        {"2020-02-24", "振替休日"},
        {"2020-07-20", ""},
        {"2020-07-23", "海の日"},
        {"2020-07-24", "スポーツの日"},
        {"2020-08-10", "山の日"},
        {"2020-08-11", ""},
        {"2020-10-12", ""},
        {"2021-07-19", ""},
        {"2021-07-22", "海の日"},
        {"2021-07-23", "スポーツの日"},
        {"2021-08-08", "山の日"},
        {"2021-08-09", "振替休日"},
        {"2021-10-11", ""},
        {"2022-10-10", "スポーツの日"},
        {"2024-03-20", "春分の日"},
        {"2024-09-22", "秋分の日"},
        {"2024-09-23", "振替休日"},
        {"2032-09-21", "国民の休日"},
        {"2100-03-20", "春分の日"},
        {"2150-03-21", "春分の日"},
        {"2151-03-21", ""},
        {"2151-03-20", ""},
        {"2151-09-23", ""},
        {"2151-09-22", ""},
        {"2151-11-03", "文化の日"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(holidayName(parseIso(row.date)), std::string_view{row.name})
            << row.date << " is " << holidayName(parseIso(row.date)) << ", not " << row.name;
    }
}

TEST(Holidays, BaseHolidayLeavesOutSubstitutes)
{
    struct Row {
        const char* date;
        const char* name;
    };
    const Row rows[] = {
        {"1973-04-30", ""},
        {"1986-05-04", ""},
        {"1988-05-04", "国民の休日"},
        {"1992-05-04", ""},
        {"2008-05-06", ""},
        {"2009-09-22", "国民の休日"},
        {"2019-05-02", "国民の休日"},
        {"2019-05-05", "こどもの日"},
        {"2021-08-09", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(baseHoliday(parseIso(row.date)), std::string_view{row.name})
            << row.date << " is " << baseHoliday(parseIso(row.date)) << ", not " << row.name;
    }
}

TEST(Holidays, SubstitutesAreTheOnlyDifferenceFromBaseHoliday)
{
    for (sys_days day = parseIso("1948-01-01"); day <= parseIso("2160-12-31"); day += days{1}) {
        const std::string_view name = holidayName(day);
        if (name == "振替休日") {
            ASSERT_TRUE(baseHoliday(day).empty() || baseHoliday(day) == "国民の休日") << isoText(day);
            ASSERT_FALSE(baseHoliday(day - days{1}).empty()) << isoText(day);
            ASSERT_NE(weekday{day}, Sunday) << isoText(day);
        } else {
            ASSERT_EQ(baseHoliday(day), name) << isoText(day);
        }
    }
}

TEST(Holidays, TimeOfDayIsIgnored)
{
    struct Row {
        const char* date;
        int hour, minute, second;
        const char* name;
    };
    const Row rows[] = {
        {"2024-11-23", 0, 0, 0, "勤労感謝の日"},
        {"2024-11-23", 23, 59, 59, "勤労感謝の日"},
        {"2024-11-24", 0, 0, 1, ""},
        {"1955-01-01", 12, 0, 0, "元日"},
    };
    for (const Row& row : rows) {
        const OleDate date
            = OleDate::fromDay(parseIso(row.date), row.hour * 3600 + row.minute * 60 + row.second);
        EXPECT_EQ(holidayName(date), std::string_view{row.name})
            << row.date << ' ' << row.hour << ':' << row.minute;
    }
}

TEST(Holidays, EquinoxDays)
{
    struct Row {
        const char* what;
        int year, vernal, autumnal;
    };
    const Row rows[] = {
        {"1947 is before the formula", 1947, 99, 99},
        {"1948 first year", 1948, 21, 23},
        {"1950 truncates the negative quarter towards zero", 1950, 21, 23},
        {"1979 last year of the first constants", 1979, 21, 24},
        {"1980 first year of the second constants", 1980, 20, 23},
        {"2024", 2024, 20, 22},
        {"2099 last year of the second constants", 2099, 20, 23},
        {"2100 first year of the third constants", 2100, 20, 23},
        {"2150 last year", 2150, 21, 23},
        {"2151 is after the formula", 2151, 99, 99},
        {"year 1 is far outside", 1, 99, 99},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(vernalEquinoxDay(row.year), row.vernal) << row.what;
        EXPECT_EQ(autumnalEquinoxDay(row.year), row.autumnal) << row.what;
    }
}

} // namespace
} // namespace kvx
