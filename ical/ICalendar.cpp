#include "ical/ICalendar.h"

#include "core/AlarmIds.h"
#include "core/Cp932.h"
#include "core/DataFileCodec.h"
#include "schedule/Recurrence.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <libical/ical.h>
#include <memory>
#include <optional>
#include <set>
#include <type_traits>
#include <unistd.h>
#include <variant>

namespace kvx {

namespace {

using std::chrono::days;
using std::chrono::sys_days;

constexpr std::string_view kProductId = "-//Kalvendorix//Kalvendorix//JA";
constexpr std::string_view kXPrefix = "X-KALVENDORIX-";
// A weekly rule's first ringing day lies within a week of its start, a
// monthly one's within months; none beyond this.
constexpr int kFirstRingSearchDays = 400;
constexpr std::array<const char*, 7> kDayNames = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

// libical's objects, freed when they go.
struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

int weekdayIndex(sys_days day) // Monday 0 .. Sunday 6
{
    return static_cast<int>(std::chrono::weekday{day}.iso_encoding()) - 1;
}

icaltimezone* zoneNamed(const std::string& name)
{
    return name.empty() ? nullptr : icaltimezone_get_builtin_timezone(name.c_str());
}

icaltimetype icalTimeOf(OleDate date, icaltimezone* zone)
{
    const std::chrono::year_month_day ymd = date.ymd();
    icaltimetype time = icaltime_null_time();
    time.year = static_cast<int>(ymd.year());
    time.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    time.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    time.hour = date.hour();
    time.minute = date.minute();
    time.second = date.second();
    time.is_date = 0;
    return zone != nullptr ? icaltime_set_timezone(&time, zone) : time;
}

OleDate oleOf(const icaltimetype& time)
{
    return OleDate::fromCivil(time.year, time.month, time.day, time.hour, time.minute, time.second);
}

std::string numberText(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

template <class T> std::optional<T> integerOf(std::string_view text)
{
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> doubleOf(const std::string& text)
{
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// The message's lines: CR LF, CR or LF end one.
std::vector<std::string> linesOf(std::string_view text)
{
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

// A line as an iCalendar text holds it: control characters other than the
// tab are dropped (libical writes none of them).
std::string plainLine(std::string_view line)
{
    std::string plain;
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 0x20 && byte != 0x7F) || c == '\t') {
            plain += c;
        }
    }
    return plain;
}

std::string joined(const std::vector<std::string>& lines, std::string_view separator)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += (i > 0 ? std::string(separator) : std::string()) + lines[i];
    }
    return text;
}

bool isWeeklyUnit(int kind)
{
    return kind == kKindWeekly || (kind >= kKindFortnightly && kind <= kKindFifthWeek);
}

std::string byDay(int mask, int position)
{
    std::string days;
    for (int i = 0; i < 7; ++i) {
        if ((mask & (1 << i)) == 0) {
            continue;
        }
        if (!days.empty()) {
            days += ',';
        }
        if (position > 0) {
            days += std::to_string(position);
        }
        days += kDayNames[static_cast<std::size_t>(i)];
    }
    return days;
}

// What the standard properties of an alarm's event say: the part of it every
// calendar reads.
struct Standard {
    OleDate start; // DTSTART, local
    std::optional<OleDate> end; // DTEND, local
    std::string rrule; // empty: once
    int preMode = kPreNone;
    int preMinutes = 0;
    std::string summary;
    std::string description;

    bool operator==(const Standard&) const = default;
};

std::optional<sys_days> firstRingingDay(const AlarmRecord& alarm)
{
    const sys_days first = alarm.startTime.day();
    for (int offset = 0; offset < kFirstRingSearchDays; ++offset) {
        if (ringsOn(alarm, OleDate::fromDay(first + days{offset}))) {
            return first + days{offset};
        }
    }
    return std::nullopt;
}

std::variant<Standard, std::string> standardOf(const AlarmRecord& alarm)
{
    const int kind = alarm.kind;
    const int mask = alarm.weekdayMask & 0x7F;
    if (kind == kKindQuick) {
        return std::string("クイックタイマーは書き出しません");
    }
    if (kind < kKindMonthly || kind > kKindFifthWeek) {
        return std::string("繰り返しの種類がありません");
    }
    if (isWeeklyUnit(kind) && mask == 0) {
        return std::string("曜日が一つも選ばれていません");
    }
    const std::optional<sys_days> first = firstRingingDay(alarm);
    if (!first) {
        return std::string("鳴る日がありません");
    }
    Standard standard;
    const int shift = static_cast<int>((*first - alarm.startTime.day()).count());
    standard.start = OleDate::fromDay(*first, alarm.startTime.secondsOfDay());
    if (alarm.endTime > alarm.startTime) {
        standard.end = alarm.endTime.plusDays(shift);
    }
    switch (kind) {
    case kKindDaily:
        standard.rrule = "FREQ=DAILY";
        break;
    case kKindWeekly:
        standard.rrule = "FREQ=WEEKLY;BYDAY=" + byDay(mask, 0);
        break;
    case kKindMonthly:
        standard.rrule
            = "FREQ=MONTHLY;BYMONTHDAY=" + std::to_string(static_cast<unsigned>(alarm.startTime.ymd().day()));
        break;
    case kKindFortnightly:
        // The weeks run from the weekday of the alarm's own start date.
        standard.rrule = "FREQ=WEEKLY;INTERVAL=2;BYDAY=" + byDay(mask, 0)
            + ";WKST=" + kDayNames[static_cast<std::size_t>(weekdayIndex(alarm.startTime.day()))];
        break;
    case kKindOnce:
        break;
    default:
        standard.rrule = "FREQ=MONTHLY;BYDAY=" + byDay(mask, kind - kKindFirstWeek + 1);
        break;
    }
    standard.preMode = alarm.preMode == kPreOnly || alarm.preMode == kPreAndMain
        ? static_cast<int>(alarm.preMode)
        : static_cast<int>(kPreNone);
    standard.preMinutes = standard.preMode == kPreNone ? 0 : alarm.preMinutes;
    std::vector<std::string> lines = linesOf(alarm.message);
    for (std::string& line : lines) {
        line = plainLine(line);
    }
    standard.summary = lines.front();
    standard.description = joined(lines, "\n");
    return standard;
}

// One of our own properties: its name after "X-KALVENDORIX-", how a record's
// field is written in it and read back (nothing when the value is none), and
// whether it is the sound and look, taken even from an event changed elsewhere.
struct XField {
    const char* name;
    std::function<std::string(const AlarmRecord&)> write;
    std::function<void(AlarmRecord&, const std::string&)> read;
    bool lookOnly;
};

template <class T> XField integer(const char* name, T AlarmRecord::*member, bool lookOnly = true)
{
    return {name, [member](const AlarmRecord& alarm) { return std::to_string(alarm.*member); },
        [member](AlarmRecord& alarm, const std::string& text) {
            if (const std::optional<T> value = integerOf<T>(text)) {
                alarm.*member = *value;
            }
        },
        lookOnly};
}

XField text(const char* name, std::string AlarmRecord::*member, bool lookOnly = true)
{
    return {name, [member](const AlarmRecord& alarm) { return alarm.*member; },
        [member](AlarmRecord& alarm, const std::string& value) { alarm.*member = value; }, lookOnly};
}

// A date exactly as the data file holds it: the day count with every digit.
XField date(const char* name, OleDate AlarmRecord::*member)
{
    return {name, [member](const AlarmRecord& alarm) { return numberText((alarm.*member).value()); },
        [member](AlarmRecord& alarm, const std::string& text) {
            if (const std::optional<double> value = doubleOf(text)) {
                alarm.*member = OleDate(*value);
            }
        },
        false};
}

const std::vector<XField>& xFields()
{
    static const std::vector<XField> fields = {
        date("START", &AlarmRecord::startTime),
        date("END", &AlarmRecord::endTime),
        integer("KIND", &AlarmRecord::kind, false),
        integer("WEEKDAYS", &AlarmRecord::weekdayMask, false),
        integer("PREMODE", &AlarmRecord::preMode, false),
        integer("PREMINUTES", &AlarmRecord::preMinutes, false),
        text("MESSAGE", &AlarmRecord::message, false),
        integer("BLINK", &AlarmRecord::blink),
        integer("SOUND", &AlarmRecord::sound),
        text("SOUNDFILE", &AlarmRecord::soundFile),
        integer("ENDLESS", &AlarmRecord::endless),
        integer("MIDIVOLUME", &AlarmRecord::midiVolume),
        integer("WAVEVOLUME", &AlarmRecord::waveVolume),
        integer("KEEPWINDOW", &AlarmRecord::keepWindow),
        integer("BLINKCOUNT", &AlarmRecord::blinkCount),
        integer("TEXTCOLOR", &AlarmRecord::textColor),
        integer("BACKCOLOR", &AlarmRecord::backColor),
        text("FONTNAME", &AlarmRecord::fontName),
        integer("FONTSIZE", &AlarmRecord::fontSize),
        integer("FONTBOLD", &AlarmRecord::fontBold),
        integer("FONTITALIC", &AlarmRecord::fontItalic),
        integer("FONTUNDERLINE", &AlarmRecord::fontUnderline),
        integer("FONTSTRIKETHRU", &AlarmRecord::fontStrikethru),
        integer("TEXTCOLORINDEX", &AlarmRecord::textColorIndex),
        integer("BACKCOLORINDEX", &AlarmRecord::backColorIndex),
    };
    return fields;
}

// A value of our own properties: control characters other than the line feed
// (which libical escapes itself) as percent codes, "%" itself as "%25", so
// that any text of a record comes back whole. A property has no empty value:
// the empty text is a lone "%".
std::string escapedText(std::string_view text)
{
    if (text.empty()) {
        return "%";
    }
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || (byte < 0x20 && c != '\n') || byte == 0x7F) {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", byte);
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::optional<std::string> unescapedText(std::string_view text)
{
    if (text == "%") {
        return std::string();
    }
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            plain += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const std::optional<unsigned> byte = [&]() -> std::optional<unsigned> {
            unsigned value = 0;
            const auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
            return error == std::errc() && end == text.data() + i + 3 ? std::optional<unsigned>(value)
                                                                      : std::nullopt;
        }();
        if (!byte) {
            return std::nullopt;
        }
        plain += static_cast<char>(*byte);
        i += 2;
    }
    return plain;
}

void addX(icalcomponent* component, std::string_view name, const std::string& value)
{
    icalproperty* property = icalproperty_new_x(value.c_str());
    icalproperty_set_x_name(property, (std::string(kXPrefix) + std::string(name)).c_str());
    icalcomponent_add_property(component, property);
}

icalcomponent* bell(const Standard& standard, bool pre)
{
    icalcomponent* alarm = icalcomponent_new_valarm();
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icaltriggertype trigger{};
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_null_duration();
    if (pre) {
        trigger.duration.is_neg = 1;
        trigger.duration.hours = static_cast<unsigned>(standard.preMinutes / 60);
        trigger.duration.minutes = static_cast<unsigned>(standard.preMinutes % 60);
    }
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    // A display alarm says something: the alarm's first line, or the program's name.
    icalcomponent_add_property(alarm,
        icalproperty_new_description(standard.summary.empty() ? "Kalvendorix" : standard.summary.c_str()));
    addX(alarm, "BELL", pre ? "PRE" : "MAIN");
    return alarm;
}

icalcomponent* eventOf(const AlarmRecord& alarm, const Standard& standard, const std::string& uid,
    icaltimezone* zone, const icaltimetype& stamp)
{
    icalcomponent* event = icalcomponent_new_vevent();
    icalcomponent_add_property(event, icalproperty_new_uid(uid.c_str()));
    icalcomponent_add_property(event, icalproperty_new_dtstamp(stamp));
    icalproperty* start = icalproperty_new_dtstart(icalTimeOf(standard.start, zone));
    if (zone != nullptr) {
        icalproperty_add_parameter(start, icalparameter_new_tzid(icaltimezone_get_location(zone)));
    }
    icalcomponent_add_property(event, start);
    if (standard.end) {
        icalproperty* end = icalproperty_new_dtend(icalTimeOf(*standard.end, zone));
        if (zone != nullptr) {
            icalproperty_add_parameter(end, icalparameter_new_tzid(icaltimezone_get_location(zone)));
        }
        icalcomponent_add_property(event, end);
    }
    if (!standard.rrule.empty()) {
        icalcomponent_add_property(
            event, icalproperty_new_rrule(icalrecurrencetype_from_string(standard.rrule.c_str())));
    }
    // No property has an empty value: an alarm without text has neither.
    if (!standard.summary.empty()) {
        icalcomponent_add_property(event, icalproperty_new_summary(standard.summary.c_str()));
    }
    if (!standard.description.empty()) {
        icalcomponent_add_property(event, icalproperty_new_description(standard.description.c_str()));
    }
    for (const XField& field : xFields()) {
        addX(event, field.name, escapedText(field.write(alarm)));
    }
    if (standard.preMode != kPreOnly) {
        icalcomponent_add_component(event, bell(standard, false));
    }
    if (standard.preMode != kPreNone) {
        icalcomponent_add_component(event, bell(standard, true));
    }
    return event;
}

// The zone's VTIMEZONE, named by its location as DTSTART names it.
icalcomponent* timezoneComponent(icaltimezone* zone)
{
    icalcomponent* component = icalcomponent_new_clone(icaltimezone_get_component(zone));
    icalproperty* tzid = icalcomponent_get_first_property(component, ICAL_TZID_PROPERTY);
    if (tzid != nullptr) {
        icalproperty_set_tzid(tzid, icaltimezone_get_location(zone));
    }
    return component;
}

void addRota(icalcomponent* calendar, const RoutineList& rota, const icaltimetype& stamp, int& written)
{
    if (rota.routineCount <= 0 || rota.routineNames.size() < static_cast<std::size_t>(rota.routineCount)) {
        return;
    }
    for (int i = 0; i < rota.routineCount; ++i) {
        const std::string& name = rota.routineNames[static_cast<std::size_t>(i)];
        if (name.empty()) {
            continue;
        }
        icalcomponent* event = icalcomponent_new_vevent();
        const std::string uid = "kvx-rota-" + std::to_string(i) + "-" + numberText(rota.routineStart.value());
        icalcomponent_add_property(event, icalproperty_new_uid(uid.c_str()));
        icalcomponent_add_property(event, icalproperty_new_dtstamp(stamp));
        const std::chrono::year_month_day day{rota.routineStart.day() + days{i}};
        icaltimetype date = icaltime_null_date();
        date.year = static_cast<int>(day.year());
        date.month = static_cast<int>(static_cast<unsigned>(day.month()));
        date.day = static_cast<int>(static_cast<unsigned>(day.day()));
        icalcomponent_add_property(event, icalproperty_new_dtstart(date));
        icalcomponent_add_property(event,
            icalproperty_new_rrule(icalrecurrencetype_from_string(
                ("FREQ=DAILY;INTERVAL=" + std::to_string(rota.routineCount)).c_str())));
        icalcomponent_add_property(event, icalproperty_new_summary(name.c_str()));
        icalcomponent_add_property(event, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
        addX(event, "ROTA", std::to_string(i));
        icalcomponent_add_component(calendar, event);
        ++written;
    }
}

std::string textOf(icalcomponent* component)
{
    char* text = icalcomponent_as_ical_string_r(component);
    std::string result = text != nullptr ? text : "";
    std::free(text);
    return result;
}

// ---- reading ----

std::string propertyText(icalcomponent* component, icalproperty_kind kind)
{
    icalproperty* property = icalcomponent_get_first_property(component, kind);
    const char* text = property != nullptr ? icalproperty_get_value_as_string(property) : nullptr;
    if (property == nullptr) {
        return {};
    }
    // Text values come unescaped through the typed getters.
    switch (kind) {
    case ICAL_SUMMARY_PROPERTY:
        text = icalproperty_get_summary(property);
        break;
    case ICAL_DESCRIPTION_PROPERTY:
        text = icalproperty_get_description(property);
        break;
    case ICAL_UID_PROPERTY:
        text = icalproperty_get_uid(property);
        break;
    default:
        break;
    }
    return text != nullptr ? text : "";
}

// The X-KALVENDORIX-… properties of `component`, by their names without the prefix.
std::vector<std::pair<std::string, std::string>> kalvendorixProperties(icalcomponent* component)
{
    std::vector<std::pair<std::string, std::string>> found;
    for (icalproperty* property = icalcomponent_get_first_property(component, ICAL_X_PROPERTY);
         property != nullptr; property = icalcomponent_get_next_property(component, ICAL_X_PROPERTY)) {
        const char* name = icalproperty_get_x_name(property);
        const char* value = icalproperty_get_x(property);
        if (name != nullptr && std::string_view(name).starts_with(kXPrefix)) {
            found.emplace_back(std::string(name).substr(kXPrefix.size()), value != nullptr ? value : "");
        }
    }
    return found;
}

struct Skip {
    std::string reason;
};

// The event's time `kind` (DTSTART, DTEND) in the local zone.
std::variant<std::optional<OleDate>, Skip> localTimeOf(
    icalcomponent* calendar, icalcomponent* event, icalproperty_kind kind, icaltimezone* local)
{
    icalproperty* property = icalcomponent_get_first_property(event, kind);
    if (property == nullptr) {
        return std::optional<OleDate>();
    }
    icaltimetype time = kind == ICAL_DTSTART_PROPERTY ? icalproperty_get_dtstart(property)
                                                      : icalproperty_get_dtend(property);
    if (icaltime_is_null_time(time) || !icaltime_is_valid_time(time)) {
        return Skip{"日時が読めません"};
    }
    if (time.is_date != 0) {
        return Skip{"終日の予定は読み込めません"};
    }
    icalparameter* tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
    if (tzid != nullptr) {
        const char* name = icalparameter_get_tzid(tzid);
        icaltimezone* zone = icalcomponent_get_timezone(calendar, name);
        if (zone == nullptr) {
            zone = icaltimezone_get_builtin_timezone(name);
        }
        if (zone == nullptr) {
            zone = icaltimezone_get_builtin_timezone_from_tzid(name);
        }
        if (zone == nullptr) {
            return Skip{"知らないタイムゾーンです: " + std::string(name)};
        }
        time = icaltime_set_timezone(&time, zone);
    }
    if (time.zone != nullptr && local != nullptr) {
        time = icaltime_convert_to_zone(time, local);
    } else if (time.zone != nullptr) {
        time = icaltime_convert_to_zone(time, icaltimezone_get_utc_timezone());
    }
    if (time.year < 1900 || time.year > 9999) {
        return Skip{"日時が範囲外です"};
    }
    return std::optional<OleDate>(oleOf(time));
}

// The kind and weekdays of `rule` over an event that starts at `start`; the
// record's own start date may lie before it (every other week).
struct RuleMapping {
    int kind = kKindOnce;
    int mask = 0;
    sys_days recordStart;
};

std::variant<RuleMapping, Skip> mapRule(const icalrecurrencetype& rule, OleDate start)
{
    RuleMapping mapping;
    mapping.recordStart = start.day();
    const int startWeekday = weekdayIndex(start.day());
    const int startBit = 1 << startWeekday;
    if (rule.count > 0 || !icaltime_is_null_time(rule.until)) {
        return Skip{"終わりのある繰り返し（COUNT・UNTIL）は読み込めません"};
    }
    const auto used = [](const short* list) { return list[0] != ICAL_RECURRENCE_ARRAY_MAX; };
    if (used(rule.by_second) || used(rule.by_minute) || used(rule.by_hour) || used(rule.by_year_day)
        || used(rule.by_week_no) || used(rule.by_month) || used(rule.by_set_pos)) {
        return Skip{std::string("この繰り返しの規則は読み込めません: ")
            + icalrecurrencetype_as_string(const_cast<icalrecurrencetype*>(&rule))};
    }
    // The weekdays of BYDAY and the one position they share (0: none).
    int mask = 0;
    int position = 0;
    for (int i = 0; i < ICAL_BY_DAY_SIZE && used(rule.by_day + i); ++i) {
        const int day = static_cast<int>(icalrecurrencetype_day_day_of_week(rule.by_day[i])) - 1; // SU 0
        const int at = icalrecurrencetype_day_position(rule.by_day[i]);
        if (i > 0 && at != position) {
            return Skip{"BYDAY の週の指定がそろっていません"};
        }
        position = at;
        mask |= 1 << ((day + 6) % 7);
    }
    const bool monthDays = used(rule.by_month_day);
    const int interval = rule.interval <= 0 ? 1 : rule.interval;
    switch (rule.freq) {
    case ICAL_DAILY_RECURRENCE:
        if (monthDays || position != 0 || (mask != 0 && mask != startBit)) {
            return Skip{"この毎日の規則は読み込めません"};
        }
        if (interval == 1 && mask == 0) {
            mapping.kind = kKindDaily;
        } else if (interval == 7 || interval == 14) {
            mapping.kind = interval == 7 ? kKindWeekly : kKindFortnightly;
            mapping.mask = startBit;
        } else {
            return Skip{"間隔が " + std::to_string(interval) + " 日の繰り返しは読み込めません"};
        }
        return mapping;
    case ICAL_WEEKLY_RECURRENCE: {
        if (monthDays || position != 0) {
            return Skip{"この毎週の規則は読み込めません"};
        }
        if (interval > 2) {
            return Skip{"間隔が " + std::to_string(interval) + " 週の繰り返しは読み込めません"};
        }
        mapping.kind = interval == 1 ? kKindWeekly : kKindFortnightly;
        mapping.mask = mask != 0 ? mask : startBit;
        if (interval == 2) {
            // The program's fortnights run from its start date: the first day
            // of the rule's week (WKST), and nothing rings there before DTSTART.
            const int weekStart
                = rule.week_start == ICAL_NO_WEEKDAY ? 0 : (static_cast<int>(rule.week_start) + 5) % 7;
            const int back = (startWeekday - weekStart + 7) % 7;
            mapping.recordStart = start.day() - days{back};
            for (int d = 0; d < back; ++d) {
                if ((mapping.mask & (1 << weekdayIndex(mapping.recordStart + days{d}))) != 0) {
                    return Skip{"隔週の規則の始まりを表せません"};
                }
            }
        }
        return mapping;
    }
    case ICAL_MONTHLY_RECURRENCE:
        if (interval != 1) {
            return Skip{"間隔が " + std::to_string(interval) + " か月の繰り返しは読み込めません"};
        }
        if (monthDays && mask != 0) {
            return Skip{"この毎月の規則は読み込めません"};
        }
        if (monthDays) {
            const int day = rule.by_month_day[0];
            if (used(rule.by_month_day + 1) || day <= 0) {
                return Skip{"月末から数える日付や二つ以上の日付は読み込めません"};
            }
            if (day != static_cast<int>(static_cast<unsigned>(start.ymd().day()))) {
                return Skip{"開始日が繰り返しの規則に合いません"};
            }
            mapping.kind = kKindMonthly;
        } else if (mask != 0) {
            if (position < 1 || position > 5) {
                return Skip{"最終週などの曜日の指定は読み込めません"};
            }
            mapping.kind = kKindFirstWeek + position - 1;
            mapping.mask = mask;
        } else {
            mapping.kind = kKindMonthly;
        }
        return mapping;
    case ICAL_YEARLY_RECURRENCE:
        return Skip{"毎年の繰り返しは読み込めません"};
    default:
        return Skip{"この繰り返しの規則は読み込めません"};
    }
}

struct Bells {
    int preMode = kPreNone;
    int preMinutes = 0;
};

// Whether `alarm` is one of the bells this program wrote.
bool markedBell(icalcomponent* alarm)
{
    const auto properties = kalvendorixProperties(alarm);
    return std::any_of(properties.begin(), properties.end(), [](const auto& p) { return p.first == "BELL"; });
}

// Whether any VALARM of `event` is a bell this program wrote: then only those
// are its bells, and the others (a phone's reminder added since) are another
// program's, kept as they are.
bool hasMarkedBells(icalcomponent* event)
{
    for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
         alarm != nullptr; alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
        if (markedBell(alarm)) {
            return true;
        }
    }
    return false;
}

std::variant<Bells, Skip> bellsOf(icalcomponent* event)
{
    bool main = false;
    std::optional<int> pre;
    const bool onlyMarked = hasMarkedBells(event);
    for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
         alarm != nullptr; alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
        if (onlyMarked && !markedBell(alarm)) {
            continue;
        }
        icalproperty* property = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
        if (property == nullptr) {
            continue;
        }
        if (icalproperty_get_first_parameter(property, ICAL_RELATED_PARAMETER) != nullptr
            && icalparameter_get_related(icalproperty_get_first_parameter(property, ICAL_RELATED_PARAMETER))
                == ICAL_RELATED_END) {
            return Skip{"終了時刻から数える通知は読み込めません"};
        }
        const icaltriggertype trigger = icalproperty_get_trigger(property);
        if (!icaltime_is_null_time(trigger.time)) {
            return Skip{"日時を決めた通知は読み込めません"};
        }
        const int seconds = icaldurationtype_as_int(trigger.duration);
        bool isPre = seconds < 0;
        for (const auto& [name, value] : kalvendorixProperties(alarm)) {
            if (name == "BELL") {
                isPre = value == "PRE";
            }
        }
        if (seconds > 0 || seconds % 60 != 0 || -seconds / 60 > SHRT_MAX) {
            return Skip{"開始の後や分に満たない通知は読み込めません"};
        }
        if (!isPre) {
            main = true;
        } else if (pre && *pre != -seconds / 60) {
            return Skip{"予鈴にできる通知は一つだけです"};
        } else {
            pre = -seconds / 60;
        }
    }
    Bells bells;
    if (pre) {
        bells.preMode = main ? kPreAndMain : kPreOnly;
        bells.preMinutes = *pre;
    }
    return bells;
}

// The record an event describes by its standard properties alone.
std::variant<AlarmRecord, Skip> standardRecord(
    icalcomponent* calendar, icalcomponent* event, icaltimezone* local, const AlarmRecord& blank)
{
    const auto start = localTimeOf(calendar, event, ICAL_DTSTART_PROPERTY, local);
    if (const Skip* skip = std::get_if<Skip>(&start)) {
        return *skip;
    }
    const std::optional<OleDate> startTime = std::get<std::optional<OleDate>>(start);
    if (!startTime) {
        return Skip{"開始日時がありません"};
    }
    if (icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY) != nullptr
        || icalcomponent_get_first_property(event, ICAL_EXRULE_PROPERTY) != nullptr) {
        return Skip{"除外日（EXDATE）のある繰り返しは読み込めません"};
    }
    if (icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY) != nullptr) {
        return Skip{"RDATE で決めた日は読み込めません"};
    }
    if (icalcomponent_count_properties(event, ICAL_RRULE_PROPERTY) > 1) {
        return Skip{"繰り返しの規則が二つ以上あります"};
    }
    AlarmRecord record = blank;
    record.lastAlarm = {};
    record.lastPreAlarm = {};
    record.kind = kKindOnce;
    record.weekdayMask = 0;
    record.startTime = *startTime;
    if (icalproperty* rrule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY)) {
        const auto mapped = mapRule(icalproperty_get_rrule(rrule), *startTime);
        if (const Skip* skip = std::get_if<Skip>(&mapped)) {
            return *skip;
        }
        const auto& rule = std::get<RuleMapping>(mapped);
        record.kind = static_cast<std::int16_t>(rule.kind);
        record.weekdayMask = static_cast<std::int16_t>(rule.mask);
        record.startTime = OleDate::fromDay(rule.recordStart, startTime->secondsOfDay());
        if (!ruleFalls(record, *startTime)) {
            return Skip{"開始日が繰り返しの規則に合いません"};
        }
    }
    const int back = static_cast<int>((startTime->day() - record.startTime.day()).count());
    record.endTime = record.startTime;
    const auto end = localTimeOf(calendar, event, ICAL_DTEND_PROPERTY, local);
    if (const auto* time = std::get_if<std::optional<OleDate>>(&end); time != nullptr && time->has_value()) {
        record.endTime = (*time)->plusDays(-back);
    } else if (icalproperty* duration = icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY)) {
        const long long seconds = record.startTime.secondsOfDay()
            + static_cast<long long>(icaldurationtype_as_int(icalproperty_get_duration(duration)));
        if (seconds > 0 && seconds < 3650LL * 86400) {
            record.endTime = OleDate::fromDay(
                record.startTime.day() + days{seconds / 86400}, static_cast<int>(seconds % 86400));
        }
    }
    if (record.endTime < record.startTime) {
        record.endTime = record.startTime;
    }
    const auto bells = bellsOf(event);
    if (const Skip* skip = std::get_if<Skip>(&bells)) {
        return *skip;
    }
    record.preMode = static_cast<std::int16_t>(std::get<Bells>(bells).preMode);
    record.preMinutes = static_cast<std::int16_t>(std::get<Bells>(bells).preMinutes);
    // The message: DESCRIPTION, its first line as SUMMARY says when that was changed.
    const std::string summary = propertyText(event, ICAL_SUMMARY_PROPERTY);
    const bool described = icalcomponent_get_first_property(event, ICAL_DESCRIPTION_PROPERTY) != nullptr;
    std::vector<std::string> lines
        = linesOf(described ? propertyText(event, ICAL_DESCRIPTION_PROPERTY) : summary);
    lines.front() = summary.empty() && described ? lines.front() : linesOf(summary).front();
    for (std::string& line : lines) {
        line = plainLine(line);
    }
    record.message = joined(lines, "\r\n");
    if (!survivesCp932(record.message)) {
        return Skip{"メッセージにコードページ932で表せない文字があります"};
    }
    if (!fitsDataFile(record.message)) {
        return Skip{"メッセージが長すぎます"};
    }
    return record;
}

std::string nameOf(icalcomponent* event, const std::string& uid)
{
    const std::string summary = propertyText(event, ICAL_SUMMARY_PROPERTY);
    return "「" + (summary.empty() ? uid : summary) + "」";
}

// Whether `property` is one an alarm's event is made of: each rewrite replaces it.
bool ownProperty(icalproperty* property)
{
    switch (icalproperty_isa(property)) {
    case ICAL_UID_PROPERTY:
    case ICAL_DTSTAMP_PROPERTY:
    case ICAL_DTSTART_PROPERTY:
    case ICAL_DTEND_PROPERTY:
    case ICAL_DURATION_PROPERTY:
    case ICAL_RRULE_PROPERTY:
    case ICAL_SUMMARY_PROPERTY:
    case ICAL_DESCRIPTION_PROPERTY:
        return true;
    case ICAL_X_PROPERTY: {
        const char* name = icalproperty_get_x_name(property);
        return name != nullptr && std::string_view(name).starts_with(kXPrefix);
    }
    default:
        return false;
    }
}

// A calendar of this program's, with `zone`'s VTIMEZONE when there is one.
Component newCalendar(icaltimezone* zone)
{
    Component calendar(icalcomponent_new_vcalendar());
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid(std::string(kProductId).c_str()));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));
    if (zone != nullptr) {
        icalcomponent_add_component(calendar.get(), timezoneComponent(zone));
    }
    return calendar;
}

// A calendar of `text` holding one event of `uid`, or none.
Component singleEventCalendar(std::string_view text, const std::string& uid)
{
    if (text.empty() || text.size() > kMaxICalendarBytes || text.find('\0') != std::string_view::npos) {
        return {};
    }
    const std::string copy(text);
    Component calendar(icalparser_parse_string(copy.c_str()));
    icalerror_clear_errno();
    if (!calendar || icalcomponent_isa(calendar.get()) != ICAL_VCALENDAR_COMPONENT
        || icalcomponent_count_components(calendar.get(), ICAL_VEVENT_COMPONENT) != 1) {
        return {};
    }
    icalcomponent* event = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
    if (propertyText(event, ICAL_UID_PROPERTY) != uid) {
        return {};
    }
    return calendar;
}

template <class T> void removeAll(icalcomponent* parent, const std::vector<T*>& children)
{
    for (T* child : children) {
        if constexpr (std::is_same_v<T, icalproperty>) {
            icalcomponent_remove_property(parent, child);
            icalproperty_free(child);
        } else {
            icalcomponent_remove_component(parent, child);
            icalcomponent_free(child);
        }
    }
}

} // namespace

bool fitsICalendar(const AlarmRecord& alarm)
{
    return std::holds_alternative<Standard>(standardOf(alarm));
}

std::string icalendarItem(
    const AlarmRecord& alarm, const std::string& uid, const std::string& zoneName, std::string_view existing)
{
    icaltimezone* zone = zoneNamed(zoneName);
    const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    const Component fresh(eventOf(alarm, std::get<Standard>(standardOf(alarm)), uid, zone, stamp));
    Component calendar = singleEventCalendar(existing, uid);
    if (!calendar) {
        calendar = newCalendar(zone);
        icalcomponent_add_component(calendar.get(), icalcomponent_new_clone(fresh.get()));
        return textOf(calendar.get());
    }
    icalcomponent* event = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
    // What the alarm is made of goes; the rest stays.
    std::vector<icalproperty*> own;
    for (icalproperty* property = icalcomponent_get_first_property(event, ICAL_ANY_PROPERTY);
         property != nullptr; property = icalcomponent_get_next_property(event, ICAL_ANY_PROPERTY)) {
        if (ownProperty(property)) {
            own.push_back(property);
        }
    }
    removeAll(event, own);
    // The bells: ours where any is marked, else every reminder was read as one.
    const bool onlyMarked = hasMarkedBells(event);
    std::vector<icalcomponent*> bells;
    for (icalcomponent* bell = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
         bell != nullptr; bell = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
        if (!onlyMarked || markedBell(bell)) {
            bells.push_back(bell);
        }
    }
    removeAll(event, bells);
    for (icalproperty* property = icalcomponent_get_first_property(fresh.get(), ICAL_ANY_PROPERTY);
         property != nullptr; property = icalcomponent_get_next_property(fresh.get(), ICAL_ANY_PROPERTY)) {
        icalcomponent_add_property(event, icalproperty_new_clone(property));
    }
    for (icalcomponent* bell = icalcomponent_get_first_component(fresh.get(), ICAL_VALARM_COMPONENT);
         bell != nullptr; bell = icalcomponent_get_next_component(fresh.get(), ICAL_VALARM_COMPONENT)) {
        icalcomponent_add_component(event, icalcomponent_new_clone(bell));
    }
    // A calendar program sees a new revision.
    if (icalproperty* sequence = icalcomponent_get_first_property(event, ICAL_SEQUENCE_PROPERTY)) {
        icalproperty_set_sequence(sequence, icalproperty_get_sequence(sequence) + 1);
    } else {
        icalcomponent_add_property(event, icalproperty_new_sequence(1));
    }
    if (zone != nullptr) {
        bool present = false;
        const std::string location = icaltimezone_get_location(zone);
        for (icalcomponent* known
             = icalcomponent_get_first_component(calendar.get(), ICAL_VTIMEZONE_COMPONENT);
             known != nullptr;
             known = icalcomponent_get_next_component(calendar.get(), ICAL_VTIMEZONE_COMPONENT)) {
            present = present || propertyText(known, ICAL_TZID_PROPERTY) == location;
        }
        if (!present) {
            icalcomponent_add_component(calendar.get(), timezoneComponent(zone));
        }
    }
    return textOf(calendar.get());
}

std::string withUid(std::string_view text, const std::string& uid)
{
    if (text.size() > kMaxICalendarBytes || text.find('\0') != std::string_view::npos) {
        return {};
    }
    const std::string copy(text);
    const Component calendar(icalparser_parse_string(copy.c_str()));
    icalerror_clear_errno();
    if (!calendar || icalcomponent_isa(calendar.get()) != ICAL_VCALENDAR_COMPONENT) {
        return {};
    }
    for (icalcomponent* event = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
         event != nullptr; event = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
        icalcomponent_set_uid(event, uid.c_str());
    }
    return textOf(calendar.get());
}

std::string systemZoneName()
{
    if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
        std::string name = tz[0] == ':' ? tz + 1 : tz;
        if (const std::size_t at = name.find("zoneinfo/"); at != std::string::npos) {
            name = name.substr(at + 9);
        }
        return icaltimezone_get_builtin_timezone(name.c_str()) != nullptr ? name : std::string();
    }
    char target[512] = {};
    const ssize_t length = ::readlink("/etc/localtime", target, sizeof target - 1);
    if (length > 0) {
        const std::string_view link(target, static_cast<std::size_t>(length));
        if (const std::size_t at = link.find("zoneinfo/"); at != std::string_view::npos) {
            std::string name(link.substr(at + 9));
            if (icaltimezone_get_builtin_timezone(name.c_str()) != nullptr) {
                return name;
            }
        }
    }
    std::ifstream file("/etc/timezone");
    std::string name;
    if (file && std::getline(file, name) && icaltimezone_get_builtin_timezone(name.c_str()) != nullptr) {
        return name;
    }
    return {};
}

ICalendarExport exportICalendar(const AlarmTable& alarms, const std::vector<std::string>& ids,
    const RoutineList& rota, const std::string& zoneName)
{
    ICalendarExport result;
    icaltimezone* zone = zoneNamed(zoneName);
    const Component calendar = newCalendar(zone);
    const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    // The calendar's head, then each event written and freed on its own: a
    // table of 32,767 alarms is never one tree of components in memory.
    const std::string whole = textOf(calendar.get());
    const std::string end = "END:VCALENDAR\r\n";
    result.text = whole.substr(0, whole.size() - end.size());
    for (int i = 0; i < alarms.alarmCount; ++i) {
        const AlarmRecord& alarm = alarms.alarms[static_cast<std::size_t>(i)];
        const auto standard = standardOf(alarm);
        if (const std::string* reason = std::get_if<std::string>(&standard)) {
            if (alarm.kind != kKindQuick) {
                result.skipped.push_back("「" + linesOf(alarm.message).front() + "」: " + *reason);
            }
            continue;
        }
        const std::string uid = static_cast<std::size_t>(i) < ids.size()
            ? ids[static_cast<std::size_t>(i)]
            : contentAlarmId(alarmContentKey(alarm), i);
        const Component event(eventOf(alarm, std::get<Standard>(standard), uid, zone, stamp));
        result.text += textOf(event.get());
        ++result.alarms;
    }
    const Component rotaEvents(icalcomponent_new_vcalendar());
    addRota(rotaEvents.get(), rota, stamp, result.rota);
    for (icalcomponent* event = icalcomponent_get_first_component(rotaEvents.get(), ICAL_VEVENT_COMPONENT);
         event != nullptr;
         event = icalcomponent_get_next_component(rotaEvents.get(), ICAL_VEVENT_COMPONENT)) {
        result.text += textOf(event);
    }
    result.text += end;
    return result;
}

ICalendarImport importICalendar(std::string_view text, const std::string& zoneName, const AlarmRecord& blank)
{
    ICalendarImport result;
    if (text.size() > kMaxICalendarBytes) {
        result.error = "ファイルが大きすぎます（" + std::to_string(kMaxICalendarBytes >> 20) + "MBまで）";
        return result;
    }
    if (text.find('\0') != std::string_view::npos) {
        result.error = "iCalendar形式のファイルではありません";
        return result;
    }
    const std::string copy(text);
    const Component calendar(icalparser_parse_string(copy.c_str()));
    icalerror_clear_errno();
    if (!calendar || icalcomponent_isa(calendar.get()) != ICAL_VCALENDAR_COMPONENT) {
        result.error = "iCalendar形式のファイルではありません";
        return result;
    }
    icaltimezone* local = zoneNamed(zoneName);
    // The recurring events one of whose days was changed on its own (an event
    // of the same UID with a RECURRENCE-ID): an alarm has no such day.
    std::set<std::string> changedDays;
    for (icalcomponent* event = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
         event != nullptr; event = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
        if (icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY) != nullptr) {
            changedDays.insert(propertyText(event, ICAL_UID_PROPERTY));
        }
    }
    for (icalcomponent* event = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
         event != nullptr; event = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
        std::string uid = propertyText(event, ICAL_UID_PROPERTY);
        if (uid.empty()) {
            char* whole = icalcomponent_as_ical_string_r(event);
            uid = contentAlarmId(whole, 0);
            std::free(whole);
        }
        const std::string name = nameOf(event, uid);
        const auto skip = [&](const std::string& reason) {
            std::string line = name;
            line += ": ";
            line += reason;
            result.skipped.push_back(std::move(line));
            result.skippedUids.push_back(uid);
        };
        if (icalcomponent_get_first_property(event, ICAL_XLICERROR_PROPERTY) != nullptr) {
            skip("壊れた行があります");
            continue;
        }
        const std::vector<std::pair<std::string, std::string>> extra = kalvendorixProperties(event);
        if (std::any_of(extra.begin(), extra.end(), [](const auto& p) { return p.first == "ROTA"; })) {
            skip("周期予定は読み込みません");
            continue;
        }
        if (icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY) != nullptr
            || changedDays.contains(uid)) {
            skip("一回だけ変えた日のある繰り返しは読み込めません");
            continue;
        }
        if (icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED) {
            skip("取り消された予定です");
            continue;
        }
        const auto standard = standardRecord(calendar.get(), event, local, blank);
        if (const Skip* skipped = std::get_if<Skip>(&standard)) {
            skip(skipped->reason);
            continue;
        }
        AlarmRecord record = std::get<AlarmRecord>(standard);
        // Our own properties, where they agree with what every calendar reads
        // (it may have been moved or renamed on a phone since), give the
        // record back whole; the sound and the look are taken in any case.
        AlarmRecord whole = record;
        AlarmRecord look = record;
        for (const auto& property : extra) {
            const std::optional<std::string> plain = unescapedText(property.second);
            const auto field = std::find_if(xFields().begin(), xFields().end(),
                [&property](const XField& known) { return property.first == known.name; });
            if (!plain || field == xFields().end()) {
                continue;
            }
            field->read(whole, *plain);
            if (field->lookOnly) {
                field->read(look, *plain);
            }
        }
        const auto wholeStandard = standardOf(whole);
        const auto ownStandard = standardOf(record);
        const bool agrees = std::holds_alternative<Standard>(wholeStandard)
            && std::holds_alternative<Standard>(ownStandard)
            && std::get<Standard>(wholeStandard) == std::get<Standard>(ownStandard)
            && survivesCp932(whole.message) && fitsDataFile(whole.message);
        result.items.push_back({uid, agrees ? whole : look});
    }
    return result;
}

} // namespace kvx
