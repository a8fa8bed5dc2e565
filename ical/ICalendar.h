#pragma once

#include "core/Records.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

// Alarms as iCalendar (RFC 5545) events, on libical: one VEVENT an alarm, its
// time in this computer's zone, its kind as a recurrence rule, its bells as
// VALARMs, its message as SUMMARY (first line) and DESCRIPTION (whole), and
// what no standard property holds as X-KALVENDORIX-… properties, so that an
// alarm written out and read back is the same record byte for byte (its
// last-ring times aside: they are this computer's).

// This computer's time zone ("Asia/Tokyo"): $TZ, else the zone /etc/localtime
// names, else /etc/timezone; "" when none is known (times are then floating).
std::string systemZoneName();

struct ICalendarExport {
    std::string text; // a whole VCALENDAR
    int alarms = 0; // events of alarms written
    int rota = 0; // all-day events of the rota written
    std::vector<std::string> skipped; // one line an alarm not written, saying why
};

// `ids[i]` is the UID of alarm i. Quick timers are not written.
ICalendarExport exportICalendar(const AlarmTable& alarms, const std::vector<std::string>& ids,
    const RoutineList& rota, const std::string& zone);

struct ICalendarItem {
    std::string uid;
    AlarmRecord record;
};

struct ICalendarImport {
    std::vector<ICalendarItem> items;
    std::vector<std::string> skipped; // one line an event not read, saying why
    std::vector<std::string> skippedUids; // the UID of each, in the same order
    std::string error; // the file as a whole is no iCalendar; empty when it is
};

// Whether an iCalendar event can hold `alarm` (a quick timer cannot, nor a
// few kinds no recurrence rule says).
bool fitsICalendar(const AlarmRecord& alarm);

// One alarm as a calendar item of its own (a VCALENDAR with one VEVENT, its
// zone's VTIMEZONE), as a calendar folder keeps it. `existing`, the item the
// folder held for it, keeps what is not the alarm's: other programs'
// properties and reminders, other time zones, its SEQUENCE counted up.
// The alarm must fit (fitsICalendar).
std::string icalendarItem(const AlarmRecord& alarm, const std::string& uid, const std::string& zone,
    std::string_view existing = {});

// `text`, every event's UID made `uid`: a copy of an item that is to live
// beside it. Empty when `text` is no iCalendar.
std::string withUid(std::string_view text, const std::string& uid);

// Files larger than this are not read.
inline constexpr std::size_t kMaxICalendarBytes = 64u << 20;

// Reads the events `text` holds that an alarm record holds exactly; the others
// are skipped, each with its reason. Fields that an event of another program
// does not give (sound, look) come from `blank`.
ICalendarImport importICalendar(std::string_view text, const std::string& zone, const AlarmRecord& blank);

} // namespace kvx
