#pragma once

#include "core/OleDate.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kvx {

// Recurrence kinds of an alarm.
enum AlarmKind : std::int16_t {
    kKindNone = 0,
    kKindMonthly = 1,
    kKindWeekly = 2,
    kKindDaily = 3,
    kKindOnce = 4,
    kKindQuick = 5,
    kKindFortnightly = 6,
    kKindFirstWeek = 7, // 7..11: the 1st..5th occurrence of a weekday in the month
    kKindSecondWeek = 8,
    kKindThirdWeek = 9,
    kKindFourthWeek = 10,
    kKindFifthWeek = 11,
};

// Weekday bits of `weekdayMask`.
enum WeekdayBit : std::int16_t {
    kMonday = 1,
    kTuesday = 2,
    kWednesday = 4,
    kThursday = 8,
    kFriday = 16,
    kSaturday = 32,
    kSunday = 64,
};

// Pre-alarm modes of `preMode`: which of the two bells ring.
enum PreMode : std::int16_t {
    kPreNone = 0, // only the main bell
    kPreOnly = 1, // only the pre-alarm, `preMinutes` early
    kPreAndMain = 2, // the pre-alarm and then the main bell
};

// What the alarm lists show (`listMode`, "LISTDISPFLG").
enum ListMode : std::int16_t {
    kListAll = 1, // every alarm in display order
    kListDay = 2, // the alarms of the chosen day
};

// Windows colour value of the system button-face colour.
inline constexpr std::int32_t kButtonFaceColor = static_cast<std::int32_t>(0x8000000FU);
inline constexpr const char* kDefaultFontName = "MS Pｺﾞｼｯｸ";

// One alarm or scheduled item. Field order and widths are the data file's.
struct AlarmRecord {
    OleDate startTime;
    OleDate endTime;
    std::int16_t kind = 0;
    std::int16_t weekdayMask = 0;
    OleDate lastPreAlarm;
    OleDate lastAlarm;
    std::int16_t preMode = 0; // 0 main bell only, 1 pre-alarm only, 2 both
    std::int16_t preMinutes = 0;
    std::int16_t blink = 0;
    std::string message;
    std::int16_t sound = 0;
    std::string soundFile;
    std::int16_t endless = 0;
    std::int32_t midiVolume = 0; // level in both 16-bit halves
    std::int32_t waveVolume = 0;
    std::int16_t keepWindow = 0;
    std::int16_t blinkCount = 0;
    std::int32_t textColor = 0;
    std::int32_t backColor = 0;
    std::string fontName;
    std::int16_t fontSize = 0;
    std::int16_t fontBold = 0; // 0 / -1
    std::int16_t fontItalic = 0;
    std::int16_t fontUnderline = 0;
    std::int16_t fontStrikethru = 0;
    std::int16_t textColorIndex = 0;
    std::int16_t backColorIndex = 0;

    bool operator==(const AlarmRecord&) const = default;
};

// The alarm table keeps one spare slot past the last alarm: `alarms` has
// `alarmCount` + 1 entries. The spare slot travels through the data file.
struct AlarmTable {
    static constexpr int kMaxAlarms = 32767;

    std::int16_t alarmCount = 0;
    std::vector<AlarmRecord> alarms = std::vector<AlarmRecord>(1);

    // Appends a record at the former spare slot; false when the table is full.
    bool add(const AlarmRecord& record);
    // Removes alarm `index`, shifting the later ones down.
    void remove(int index);

    bool operator==(const AlarmTable&) const = default;
};

// The periodic schedules: a rota of names that repeats day by day from
// `routineStart`. `routineNames` has `routineCount` + 1 entries (the last spare).
struct RoutineList {
    std::int32_t routineCount = 0;
    OleDate routineStart;
    std::vector<std::string> routineNames = std::vector<std::string>(1);

    bool operator==(const RoutineList&) const = default;
};

// The three memo lists in tab order "メモ", "連絡", "購入". Each list holds its
// memos followed by one spare, empty slot; its upper index is size() - 1.
struct MemoLists {
    static constexpr int kMemo = 0;
    static constexpr int kContact = 1;
    static constexpr int kPurchase = 2;

    std::array<std::vector<std::string>, 3> lists
        = {std::vector<std::string>(1), std::vector<std::string>(1), std::vector<std::string>(1)};

    std::int32_t upper(int list) const { return static_cast<std::int32_t>(lists[list].size()) - 1; }

    bool operator==(const MemoLists&) const = default;
};

// The remembered settings for a new alarm: the values of the alarm saved last.
struct AlarmDefaults {
    std::int16_t preMode = 0;
    std::int16_t preMinutes = 0;
    std::string message;
    std::int16_t blink = 0;
    std::int16_t sound = 0;
    std::string soundFile;
    std::int16_t weekStartsMonday = 0;
    std::int16_t endless = 0;
    std::int16_t keepWindow = 0;
    std::int16_t blinkCount = 10;
    std::int32_t textColor = 0;
    std::int32_t backColor = kButtonFaceColor;
    std::string fontName = kDefaultFontName;
    std::int16_t fontSize = 12;
    std::int16_t fontBold = -1;
    std::int16_t fontItalic = 0;
    std::int16_t fontUnderline = 0;
    std::int16_t fontStrikethru = 0;
    std::int16_t textColorIndex = 7;
    std::int16_t backColorIndex = 5;
    std::int16_t weeklyKind = 2;
    std::int16_t listMode = kListAll;
    std::string midiDevice;
    std::string waveDevice;
    std::int16_t warnPastTime = 1;
    // Table index of the alarm saved last since start; -1 until one is saved.
    std::int16_t lastSavedIndex = -1;

    bool operator==(const AlarmDefaults&) const = default;
};

// The settings of the windows and the program, besides the alarm defaults.
struct WindowSettings {
    std::string formPosition; // "FORMFLAG": "1" centre, "2" top left, "3" top right
    std::int16_t editorFirst = 0; // "DEFFORM": the open action shows the editor
    std::int16_t desktopNotify = 1; // "NOTIFYFLG": a ringing alarm also notifies the desktop
    std::int16_t wakeUp = 0; // "WAKEUPFLG": a sleeping computer is woken for the next bell
    std::string portNumber; // "PORTNUM", as entered
    std::int16_t copyAction = 1; // "COPYACTION": 1 copy, 2 copy and peel off
    std::int16_t snoozeMinutes = 5; // "SNOOZETIME": the snooze's last choice
    std::string dataPath; // "DATAPATH"
    std::string calendarFolder; // "ICALDIR": kept in step with the alarms as .ics files; "" off

    bool operator==(const WindowSettings&) const = default;
};

// All user data of the program: one object owned by the application and handed
// by reference to every window.
struct SharedTables {
    AlarmTable alarms;
    RoutineList routines;
    MemoLists memos;
    AlarmDefaults defaults;
    WindowSettings window;

    // Empties every table as the exit path and a reload do.
    void clearData()
    {
        alarms = {};
        routines = {};
        memos = {};
    }
};

} // namespace kvx
